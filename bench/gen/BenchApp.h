// What every benchmark starts from, and how it times a step.
#pragma once

#include "ui/MessageService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>

namespace benchgen {

// The fastest of runs calls of f, in ms. The VM's speed wanders by a third from one second to the
// next: the best run is the figure that compares.
template <class F> double bestOfMs(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

// The application of a benchmark: windows drawn offscreen, message boxes recorded instead of shown
// (an empty list's box answers itself).
class BenchApp {
public:
    BenchApp(int& argc, char** argv) : app_((qputenv("QT_QPA_PLATFORM", "offscreen"), argc), argv) {
        ui::setMessageService(&messages_);
    }
    ~BenchApp() { ui::setMessageService(nullptr); }
    BenchApp(const BenchApp&) = delete;
    BenchApp& operator=(const BenchApp&) = delete;

    ui::RecordingMessageService& messages() { return messages_; }

private:
    QApplication app_;
    ui::RecordingMessageService messages_;
};

} // namespace benchgen
