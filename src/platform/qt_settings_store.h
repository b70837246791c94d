#pragma once

#include "platform_services.h"

#include <QSettings>
#include <memory>

namespace pictavo {

// The user's settings under organization and application "Pictavo", or a file of its own.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    // An INI file at the path instead of the user's settings.
    explicit QtSettingsStore(const QString& filePath);
    ~QtSettingsStore() override;

    std::optional<QByteArray> value(const QString& key) const override;
    void setValue(const QString& key, const QByteArray& value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace pictavo
