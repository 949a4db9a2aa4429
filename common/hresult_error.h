#pragma once
// A failing HRESULT carried as an exception inside the library; the COM
// boundary turns it back into the HRESULT. Free of windows.h on purpose.
#include <cstdint>
#include <exception>

namespace sonarel {

class HResultError : public std::exception {
public:
    explicit HResultError(std::int32_t hr) noexcept : hr_(hr) {}
    const char* what() const noexcept override { return "HRESULT failure"; }
    std::int32_t code() const noexcept { return hr_; }

private:
    std::int32_t hr_;
};

}  // namespace sonarel
