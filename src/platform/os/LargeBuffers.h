// A buffer of many megabytes that is about to be filled: on Linux it may take its memory in large pages,
// so that the first writes into it fault once per 2 MB instead of once per 4 KB.
#pragma once

#include <cstddef>

namespace os {

// A hint only: nothing changes where the system does not take it.
void preferLargePages(void* start, std::size_t bytes);

} // namespace os
