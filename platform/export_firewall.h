#pragma once

// Runs an export's body so that no exception reaches the host: any exception, including an
// allocation failure, becomes the export's failure result.
template <typename Result, typename Body>
Result ExportFirewall(Result failure, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}
