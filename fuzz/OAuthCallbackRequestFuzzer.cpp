// The loopback sign-in listener's request parser, on one browser request.
#include "FuzzCheck.h"

#include <ProviderKit/OAuthCallbackRequest.h>

#include <cstddef>
#include <cstdint>

using namespace tallyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView request(data, qsizetype(size));
    const auto callback = OAuthCallbackRequest::parse(request);
    if (callback) {
        // A sign-in can only complete with both values present.
        fuzzing::require(!callback->code.isEmpty() && !callback->state.isEmpty(),
                         "code and state are never empty");
    }
    // The listener matches a request by its state alone: it must be the parsed one whenever
    // there is a parsed one, and never empty.
    const auto state = OAuthCallbackRequest::state(request);
    fuzzing::require(!callback || state == callback->state, "the state read alone is the parsed state");
    fuzzing::require(!state || !state->isEmpty(), "a state is never empty");
    return 0;
}
