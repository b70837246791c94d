#include "view_model_factory.h"

#include "resize_view_model.h"

#include <QQmlEngine>

namespace pictavo {

ResizeViewModel* ViewModelFactory::create(QObject* owner)
{
    auto* model = new ResizeViewModel(m_services, owner);
    // Its owner deletes it, never the script engine's collector.
    QQmlEngine::setObjectOwnership(model, QQmlEngine::CppOwnership);
    return model;
}

} // namespace pictavo
