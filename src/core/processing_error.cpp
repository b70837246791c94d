#include "processing_error.h"

namespace pictavo {

std::string_view ProcessingError::description() const noexcept
{
    // The literals are null-terminated, so what() can hand out their data().
    switch (m_code) {
    case cannotRead:
        return "Görsel okunamadı";
    case cannotCreate:
        return "Çıktı oluşturulamadı";
    case cannotWrite:
        return "Dosya kaydedilemedi";
    case exceedsSizeLimit:
        return "Dosya boyutu sınırına sığmadı";
    }
    return "Görsel okunamadı";
}

} // namespace pictavo
