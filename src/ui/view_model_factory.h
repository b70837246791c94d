#pragma once

#include "platform_services.h"

#include <QObject>

namespace pictavo {

class ResizeViewModel;

// Makes the window's model over the platform services given at start-up: QML cannot pass
// them to a type it creates itself. One per engine, as its singleton.
class ViewModelFactory : public QObject {
    Q_OBJECT

public:
    explicit ViewModelFactory(const PlatformServices& services, QObject* parent = nullptr)
        : QObject(parent), m_services(services)
    {}

    // A new model, owned by `owner` (the view it belongs to).
    Q_INVOKABLE pictavo::ResizeViewModel* create(QObject* owner);

private:
    PlatformServices m_services;
};

} // namespace pictavo
