import QtQuick

// A spring given as response (seconds per oscillation, undamped) and damping fraction, played
// as an ease-out-back curve with the same overshoot and about the same settling time: Qt 6.4's
// SpringAnimation follows a moving target by stiffness and mass instead, and cannot be timed.
NumberAnimation {
    id: root

    property real response: 0.3
    property real dampingFraction: 0.75

    // Until the motion stays within 1 % of the distance: e^(−ζ·2π/response · t) = 0.01.
    duration: Math.round(1000 * Math.log(100) * response / (2 * Math.PI * dampingFraction))
    easing.type: Easing.OutBack
    easing.overshoot: overshootFor(dampingFraction)

    // The back-curve parameter whose peak passes the target by as much as the spring does,
    // e^(−πζ/√(1−ζ²)), found by bisection (the peak grows with the parameter).
    function overshootFor(damping) {
        if (damping >= 1)
            return 0
        const wanted = Math.exp(-Math.PI * damping / Math.sqrt(1 - damping * damping))
        const peak = s => {
            // OutBack: 1 + (s + 1)u³ + s·u², u = t − 1, highest at u = −2s / (3(s + 1)).
            const u = -2 * s / (3 * (s + 1))
            return (s + 1) * u * u * u + s * u * u
        }
        let low = 0, high = 3
        for (let i = 0; i < 40; ++i) {
            const middle = (low + high) / 2
            if (peak(middle) < wanted)
                low = middle
            else
                high = middle
        }
        return low
    }
}
