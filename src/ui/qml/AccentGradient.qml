import QtQuick

// The accent gradient, leading to trailing: primary buttons, the logo and the badge.
Gradient {
    orientation: Gradient.Horizontal
    GradientStop { position: 0; color: PremiumPalette.accent }
    GradientStop { position: 0.5; color: PremiumPalette.accentSoft }
    GradientStop { position: 1; color: PremiumPalette.violet }
}
