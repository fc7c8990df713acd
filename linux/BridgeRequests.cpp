#include "linux/BridgeRequests.h"

#include <cstdio>

#include "services/BridgeProtocol.h"

namespace tesra::platform {
namespace {

// Serves the request with work, which takes its payload and gives its result.
template <class M, class Work>
void Serve(BridgeServer& server, M message, Work work) {
    server.SetHandler(message.name, [work](GVariant* payload) {
        return bridge::Encode<typename M::Result>(work(bridge::Wire<typename M::Payload>::Decode(payload)));
    });
}

}  // namespace

void ServeBridgeRequests(BridgeServer& server, ProgramServices& services, std::function<std::string()> startAddress) {
    using namespace bridge;
    Serve(server, kHello, [startAddress = std::move(startAddress)](const ProcessId& pid) {
        std::fprintf(stderr, "TesraBrowser: page bridge connected from web process %llu\n",
                     static_cast<unsigned long long>(pid.value));
        return Text{startAddress()};
    });
    Serve(server, kShowNewMessageHint, [&](const Number& count) {
        services.ShowNewMessageHint(count.value);
        return None{};
    });
    Serve(server, kClose, [&](const None&) {
        services.Close();
        return None{};
    });
    Serve(server, kGetCaptureImage, [&](const Number& mode) { return Text{services.GetCaptureImage(mode.value)}; });
    Serve(server, kRegisterHotKey, [&](const HotKeyRegistration& r) {
        return Flag{services.RegisterHotKey(r.id, r.modifier, r.vk, FacadeRef{r.facade})};
    });
    Serve(server, kRefresh, [&](const None&) {
        services.Refresh();
        return None{};
    });
    Serve(server, kVersionInfo, [&](const None&) { return Text{services.VersionInfo()}; });
    Serve(server, kInstalledSoft, [&](const None&) { return Text{services.InstalledSoft()}; });
    Serve(server, kObjectCreated, [&](const None&) {
        services.ObjectCreated();
        return None{};
    });
    Serve(server, kObjectReleased, [&](const None&) {
        services.ObjectReleased();
        return None{};
    });
}

}  // namespace tesra::platform
