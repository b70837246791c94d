#include "motion_preferences.h"

#include <QSettings>
#include <QStandardPaths>
#include <gio/gio.h>

namespace pictavo {

namespace {

constexpr const char* kGnomeSchema = "org.gnome.desktop.interface";
constexpr const char* kGnomeKey = "enable-animations";

// g_settings_new() aborts on a schema that is not installed, so look it up first.
GSettings* gnomeInterfaceSettings()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kGnomeSchema, TRUE);
    if (schema == nullptr)
        return nullptr;
    const bool hasKey = g_settings_schema_has_key(schema, kGnomeKey);
    g_settings_schema_unref(schema);
    return hasKey ? g_settings_new(kGnomeSchema) : nullptr;
}

bool kdeAnimationsOff()
{
    const QString path =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    if (path.isEmpty())
        return false;
    const QSettings kde(path, QSettings::IniFormat);
    bool ok = false;
    const double factor = kde.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    return ok && factor == 0.0;
}

} // namespace

MotionPreferences::MotionPreferences(QObject* parent) : QObject(parent)
{
    const QByteArray forced = qgetenv("PICTAVO_REDUCE_MOTION");
    if (!forced.isEmpty()) {
        m_reduceMotion = forced == "1";
        return;
    }
    if (GSettings* settings = gnomeInterfaceSettings()) {
        m_gnomeSettings = settings;
        g_signal_connect(settings, "changed::enable-animations",
                         G_CALLBACK(+[](GSettings*, gchar*, gpointer self) {
                             static_cast<MotionPreferences*>(self)->readDesktop();
                         }),
                         this);
    }
    readDesktop();
}

MotionPreferences::~MotionPreferences()
{
    if (m_gnomeSettings != nullptr)
        g_object_unref(static_cast<GSettings*>(m_gnomeSettings));
}

void MotionPreferences::readDesktop()
{
    bool reduce = kdeAnimationsOff();
    if (m_gnomeSettings != nullptr)
        reduce =
            reduce || !g_settings_get_boolean(static_cast<GSettings*>(m_gnomeSettings), kGnomeKey);
    setReduceMotion(reduce);
}

void MotionPreferences::setReduceMotion(bool reduce)
{
    if (m_reduceMotion == reduce)
        return;
    m_reduceMotion = reduce;
    Q_EMIT reduceMotionChanged();
}

} // namespace pictavo
