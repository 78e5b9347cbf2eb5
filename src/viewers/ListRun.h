// One build of a list, or one tab export: the members walk their records through this, so the list
// text and the tab file come from the same query, filter and record buffers.
#pragma once

#include "core/AppState.h"
#include "print/TextTarget.h"
#include "reports/ReportState.h"
#include "viewers/Export.h"
#include "viewers/ListStore.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

namespace viewers {

using Renderer = void (*)(reports::ReportState&, print::RenderTarget&, const QString&, bool);

class ListRun {
public:
    enum class Mode { Build, Tab };

    // yield runs while a build lists its records: at the first one, then whenever kYieldMs have passed,
    // so pending events (the progress window, a close) run without costing a turn of the event loop per
    // record. The progress count follows every record.
    ListRun(core::AppState& app, int kind, Mode mode, std::function<void()> yield = {});
    ~ListRun();
    ListRun(const ListRun&) = delete;
    ListRun& operator=(const ListRun&) = delete;

    static constexpr int kYieldMs = 15;

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

    // Build only: the rows the walk goes through (an upper bound will do) and the end of each. Once a row
    // has added to the list, the list text takes its room for all the rows at once, so it is never
    // copied to grow; room the rows do not fill is never written and costs no memory.
    void expectRows(ListTable table);
    void rowDone();

    void noteFound() { found_ = true; }
    // One listed record: in a build its rendered line and a line end, counted; in an export its
    // tab record, appended to the file text by tab.
    template <class Tab> void list(Renderer render, Tab&& tab) {
        found_ = true;
        if (building())
            listShownOnly(render);
        else
            tabRecord(tab);
    }
    // A rendered block counted like a record but not part of the tab file (the invoice footer).
    void listShownOnly(Renderer render);
    // The same, for a block whose text cannot change during the run (the invoice footer shows company
    // fields only): rendered at its first record, its text reused after that.
    void listUnchanging(Renderer render);

    // Tab only: the file text is handed to sink in chunks of whole records as it grows, instead of
    // being kept whole; takeResult() then gives the rest.
    void setTabSink(std::function<void(const QString&)> sink) { sink_ = std::move(sink); }

    bool found() const { return found_; }
    int count() const { return count_; }
    // The shown text with the listed records after it, or the tab file text.
    QString takeResult();

private:
    template <class Tab> void tabRecord(Tab& tab) {
        ++tabLines_; // each tab record is one line of the file
        try {
            tab(fileText_);
        } catch (ControlInExport& e) {
            e.line = tabLines_;
            throw;
        }
        if (sink_ && fileText_.size() >= kTabChunk) {
            sink_(fileText_);
            fileText_.resize(0);
        }
    }
    void startList();
    void countListed();

    static constexpr qsizetype kTabChunk = 1 << 16;
    static constexpr qint64 kMostRoom = qint64(1) << 28; // characters; a list beyond it grows as it goes

    Mode mode_;
    std::function<void()> yield_;
    std::function<void(const QString&)> sink_;
    QElapsedTimer sinceYield_;
    std::function<QDate()> today_; // the report state's own, put back at the end
    std::unique_ptr<ListStore> store_;
    print::TextTarget shown_; // rch, until the first record: then the list goes on from it
    print::TextTarget line_;  // Text1; once listing, the list itself
    bool listing_ = false;
    qint64 expected_ = 0;
    qint64 rowsDone_ = 0;
    qint64 rowsBeforeList_ = 0;
    qsizetype sizeAtList_ = 0;
    bool reserved_ = false;
    Renderer unchanging_ = nullptr;
    QString unchangingText_;
    QString fileText_;
    bool found_ = false;
    int count_ = 0;
    int tabLines_ = 0;
};

} // namespace viewers
