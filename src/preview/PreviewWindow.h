// The print preview window: builds every page of the report named in gReportName as a picture at the
// screen size of the page (fitted again whenever the window's size changes), pages through them, and hands
// printing to the report's print command.
#pragma once

#include "core/AppState.h"
#include "preview/PreviewBuild.h"
#include "print/PageRecording.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QToolBar;
class QMenuBar;

namespace preview {

class frmPreview : public QWidget {
    Q_OBJECT
public:
    explicit frmPreview(core::AppState& state, QWidget* parent = nullptr);
    ~frmPreview() override;

    // The area of the printer's page that reports are drawn on, in twips (the page set-up's).
    static QSizeF printerPageTwips();

    // Builds the pages now (otherwise done once, when the window has kept its size for a moment after
    // being shown). Returns the outcome.
    BuildOutcome build();
    bool built() const { return built_; }

    int page() const { return mPage; }
    int pageCount() const { return mPageCount; }
    std::int32_t recCount() const { return mRecCount; }
    QPushButton* cmdPrint() const { return cmdPrint_; }
    QPushButton* cmdFor() const { return cmdFor_; }
    QPushButton* cmdBack() const { return cmdBack_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    QLabel* visiblePage() const { return picPr0_; }
    QWidget* pageFrame() const { return picBase_; }
    int toolbarHeight() const;
    // Page n as a picture, drawn from its recording.
    QImage pageImage(int n) const;
    // The recorded pages (none before the build).
    const print::PageRecording* recording() const { return pages_.get(); }
    // The wait before failure messages (tests shorten it).
    void setWaitOneSecond(std::function<void()> wait) { wait_ = std::move(wait); }

    void cmdFor_Click();
    void cmdBack_Click();
    void PrintReport();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Fits the printer's page into the frame as it is now and places the page picture there.
    PageFit fitPage();
    void showPage(int n);
    void Timer1_Timer();
    void unload();

    core::AppState& state_;
    QMenuBar* menu_;
    QToolBar* tb_;
    QPushButton* cmdPrint_;
    QPushButton* cmdFor_;
    QPushButton* cmdBack_;
    QPushButton* cmdClose_;
    QWidget* picBase_;
    QLabel* picPr0_;
    QTimer timer1_;
    QTimer settle_;
    QSize pagePixels_;     // the page picture's size in the window, fitted to the frame
    QSize recordedPixels_; // the size the pages were recorded at (the fit when they were built)
    std::unique_ptr<print::PageRecording> pages_;
    std::function<void()> wait_;
    bool built_ = false;
    bool unloaded_ = false;
    std::int32_t mPage = 0;
    std::int32_t mPageCount = 0;
    std::int32_t mRecCount = 0;
};

} // namespace preview
