// Opening an address in the desktop's web browser, or a file in the program the desktop has for it.
#pragma once

#include <QUrl>
#include <functional>

class QObject;

namespace os {

// Starts the desktop's opener on the address and returns at once. failed runs, while context lives, when
// nothing could be started: at once, or when the opener gives up later (no browser set up). A browser that
// keeps running is a success.
void openUrl(const QUrl& url, QObject* context, std::function<void()> failed);

} // namespace os
