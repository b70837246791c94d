#pragma once

#include <exception>
#include <string_view>

namespace pictavo {

// The ways a conversion fails; what() is the Turkish text shown to the user unchanged.
class ProcessingError : public std::exception {
public:
    enum Code { cannotRead, cannotCreate, cannotWrite, exceedsSizeLimit };

    explicit ProcessingError(Code code) : m_code(code) {}

    Code code() const noexcept { return m_code; }
    std::string_view description() const noexcept;
    const char* what() const noexcept override { return description().data(); }

    bool operator==(const ProcessingError& other) const noexcept { return m_code == other.m_code; }

private:
    Code m_code;
};

} // namespace pictavo
