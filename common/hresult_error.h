#pragma once
// A failing HRESULT carried as an exception inside the library; the COM
// boundary turns it back into the HRESULT. Free of windows.h on purpose.
#include <cstdint>
#include <stdexcept>

namespace sonarel {

class HResultError : public std::runtime_error {
public:
    explicit HResultError(std::int32_t hr) : std::runtime_error("HRESULT failure"), hr_(hr) {}
    std::int32_t code() const noexcept { return hr_; }

private:
    std::int32_t hr_;
};

}  // namespace sonarel
