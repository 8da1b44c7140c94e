#pragma once

namespace tallyvane {

// Why a fetch of the widget document failed. The loader discards it and serves the fallback;
// it is kept for callers of the fetch itself and for tests.
enum class WidgetUsageLoaderError {
    invalidResponse,    // not an HTTP answer, or a status other than 200
    transportFailed,    // connection refused, time-out, body cut off or too large
    undecodableDocument // the body is not a valid widget document
};

} // namespace tallyvane
