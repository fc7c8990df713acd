#include "platform/InputUrlView.h"

#include <stdexcept>

namespace tesra::platform {
namespace {
InputUrlViewFactory g_factory;
}

std::unique_ptr<InputUrlView> MakeInputUrlView() {
    if (!g_factory) throw std::logic_error("platform service not set: address dialog");
    return g_factory();
}

void SetInputUrlViewFactory(InputUrlViewFactory factory) { g_factory = std::move(factory); }

}  // namespace tesra::platform
