#pragma once

#include "ui/nodes/uNodePreview.h"
#include "ui/queries/fQueryWindows.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QWebEngineView;
class QWidget;
class TElidedLabel;
class TdmVelmora;
class TfrmLoadProgress;
class TEngineStatus;
class cThUpdateScheduler;

// The main window: menus and the query toolbar, the dock panel holding one
// query window, the preview strip and the embedded browser. Starting the
// update scheduler is its last construction step; showing it docks the
// recent-nodes list.
class TfrmMainClient : public QMainWindow, public cNodePreviewTarget {
    Q_OBJECT

public:
    TfrmMainClient(TdmVelmora& data, TfrmLoadProgress& loadProgress);
    ~TfrmMainClient() override;

    // Stops the scheduler; the pool is shut down by the caller afterwards.
    void StopEngine();

    void ShowNodePreview(const cNodePreview& preview) override;
    void Navigate(const QUrl& address) override;

    // Repaints the window and the docked list, so that new channel
    // pictures show. Called on the GUI thread when an icon has loaded.
    void RepaintChannelIcons();

    // Hides and discards the docked query window and docks a fresh one.
    void DockQuery(QueryWindowKind kind);
    // The add-feed dialog and its message.
    void InsertNewFeed();
    // Queues an update of every channel now, as velmora-cli refresh --all
    // does.
    void RefreshAllChannels();
    // A new channel detail window, modeless; each use opens another.
    void OpenChannelDetail();
    // The export window, modal, destroyed when it closes.
    void ExportPages();
    void BrowseTypedAddress();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QAction* NewAction(const QString& name, const QString& caption, const QString& hint,
                       int iconSlot);
    void CreateActions();
    void CreateMenus();
    QWidget* CreatePreviewStrip();
    QWidget* CreateBrowserArea();
    // The embedded browser, made on first use: the web engine costs about
    // half the start-up time and a hundred megabytes, which a user who only
    // reads lists never needs.
    QWebEngineView& Browser();

    TdmVelmora& FData;
    TfrmLoadProgress& FLoadProgress;
    QWidget* FDockQuery = nullptr;
    QLabel* FChannelLogo = nullptr;
    TElidedLabel* FChannelTitle = nullptr;
    TElidedLabel* FNodeTitle = nullptr;
    QPlainTextEdit* FNodeDescription = nullptr;
    QComboBox* FUrl = nullptr;
    QWidget* FBrowserArea = nullptr;
    QWebEngineView* FWeb = nullptr;
    TEngineStatus* FEngineStatus = nullptr;
    bool FShownOnce = false;
    std::unique_ptr<cThUpdateScheduler> FScheduler;
};
