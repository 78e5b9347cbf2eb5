// One build of a list, or one tab export: the members walk their records through this, so the list
// text and the tab file come from the same query, filter and record buffers.
#pragma once

#include "core/AppState.h"
#include "print/TextTarget.h"
#include "reports/ReportState.h"
#include "viewers/ListStore.h"

#include <QString>
#include <functional>
#include <memory>

namespace viewers {

using Renderer = void (*)(reports::ReportState&, print::RenderTarget&, const QString&, bool);

class ListRun {
public:
    enum class Mode { Build, Tab };

    // yield runs after every listed record of a build (progress and pending events).
    ListRun(core::AppState& app, int kind, Mode mode, std::function<void()> yield = {});

    core::AppState& app;
    reports::ReportState& rs;
    const int kind;

    bool building() const { return mode_ == Mode::Build; }
    ListStore& store();

    // The list window's conditions of this report: year (0 all), month (0 whole year), code ("" all).
    int condYear() const;
    int condMonth() const;
    QString condCode() const;
    // True when an order date lies in the chosen period.
    bool inPeriod(double orderDate) const;

    // Build only: text shown above the records (title line, report header).
    void show(const QString& text);
    void showRendered(Renderer render);
    // Build only: renders into the line buffer, or moves the buffer and a line end into the list.
    void render(Renderer render);
    void flush();

    void noteFound() { found_ = true; }
    // One listed record: in a build its rendered line and a line end, counted; in an export its
    // tab record, appended by tab.
    void list(Renderer render, const std::function<void(QString&)>& tab);
    // A rendered block counted like a record but not part of the tab file (the invoice footer).
    void listShownOnly(Renderer render);

    bool found() const { return found_; }
    int count() const { return count_; }
    // The shown text with the listed records after it, or the tab file text.
    QString takeResult();

private:
    Mode mode_;
    std::function<void()> yield_;
    std::unique_ptr<ListStore> store_;
    print::TextTarget shown_; // rch
    print::TextTarget line_;  // Text1
    QString listText_;
    QString fileText_;
    bool found_ = false;
    int count_ = 0;
};

} // namespace viewers
