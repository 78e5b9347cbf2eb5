// The list window every list shares: three buttons over the report text, built on the first usable
// resize, rebuilt on the main window's refresh, closed on its close-all, saved as tab or flat text.
#pragma once

#include "frame/ChildWindow.h"
#include "viewers/ListMembers.h"
#include "viewers/ListTextView.h"

#include <QTimer>

class QPushButton;

namespace viewers {

class ListWindow : public frame::ChildWindow {
    Q_OBJECT
public:
    ListWindow(core::AppState& state, const ListMember& member, QWidget* parent = nullptr);

    const ListMember& member() const { return member_; }
    // True once a build has run to its end (also an empty one).
    bool loaded() const { return mLoaded_; }
    // The shown report, lines ended by CR LF (what the flat export saves).
    const QString& shownText() const { return shownText_; }
    ListTextView* textBox() const { return rch_; }

    void cmdCSV_Click();
    void cmdTXT_Click();
    void cmdClose_Click() { unloadWindow(); }

    // The row of buttons and a text box that can still scroll: below its design the text box takes the
    // room there is and scrolls the list itself, and only below this does the holder scroll the window.
    QSize minimumSizeHint() const override;

  protected:
    bool buildContents() override { return true; } // the resize handler builds, once the size allows
    void reloadData() override;
    void onUnload() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void onResize();
    void build();
    QString messageText(const char16_t* text) const;
    void exportTo(bool tab);

    const ListMember& member_;
    QPushButton* cmdCSV_;
    QPushButton* cmdTXT_;
    QPushButton* cmdClose_;
    ListTextView* rch_;
    QTimer tmUnload_;
    QString shownText_;
    bool mLoaded_ = false;
    bool building_ = false;
    bool failed_ = false;
    bool closed_ = false;
};

} // namespace viewers
