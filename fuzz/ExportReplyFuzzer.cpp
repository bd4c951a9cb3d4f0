// Reply validation and decoding of every device export. The fuzz data picks
// a sequence of export calls with their arguments and scripts the
// controller's replies (see ReplyScript); the exports run unchanged from the
// library's sources down to the command channel.
#include "ExportCatalogue.h"
#include "QuietMessages.h"
#include "ReplyScript.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {
constexpr int kOpenId = 14; // the one id the stand-in channel has open
constexpr int kMaxCalls = 8;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QuietMessages::install();
    FuzzedDataProvider provider(data, size);
    ReplyScript script(provider);
    const auto &exports = ExportCatalogue::exports();
    const int calls = provider.ConsumeIntegralInRange<int>(1, kMaxCalls);
    for (int i = 0; i < calls && provider.remaining_bytes() > 0; ++i) {
        const auto &entry = exports[provider.ConsumeIntegralInRange<std::size_t>(0, exports.size() - 1)];
        // Mostly the open controller; now and then one that is not open.
        const int id = provider.ConsumeIntegralInRange<int>(0, 15) == 0 ? 7 : kOpenId;
        const int axis = provider.ConsumeIntegralInRange<int>(-1, 3);
        entry.call(id, axis, provider);
    }
    return 0;
}
