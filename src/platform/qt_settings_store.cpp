#include "qt_settings_store.h"

namespace pictavo {

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Pictavo"), QStringLiteral("Pictavo")))
{}

QtSettingsStore::QtSettingsStore(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{}

QtSettingsStore::~QtSettingsStore() = default;

std::optional<QByteArray> QtSettingsStore::value(const QString& key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    return m_settings->value(key).toByteArray();
}

void QtSettingsStore::setValue(const QString& key, const QByteArray& value)
{
    m_settings->setValue(key, value);
    // Written at once: the value has to survive even a process that never exits cleanly.
    m_settings->sync();
}

} // namespace pictavo
