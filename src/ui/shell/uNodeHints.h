#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <memory>

class QAbstractItemView;
class TVelmoraHintWindow;

// The application's hint rule, shown in the program's own hint window.
// Over a node list, the hint is the focused row's description as plain text
// (not the row under the mouse) in the row's language, shown for 10 s and
// renewed every second while the mouse stays over the list. Every other
// hint is the control's own, in the default language. Installed on the
// application object; hints that controls compute themselves (none here)
// stay the platform's.
class TNodeHints : public QObject {
    Q_OBJECT

public:
    struct cHint {
        QString Text;
        QString LanguageCode;
    };

    explicit TNodeHints(QObject* parent = nullptr);
    ~TNodeHints() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The hint for a list: its focused row's description as plain text, in
    // the row's language; empty when the list is no node list or has no
    // focused row.
    static cHint HintFor(const QAbstractItemView& list);
    // A row's hint language: the first two characters of its code as
    // stored, not upper-cased; a shorter code is padded with blanks.
    static QString HintLanguageCode(const QString& isoLanguageCode);

    // The hint window, made on first use.
    TVelmoraHintWindow& Window();

private:
    bool ShowListHint(QAbstractItemView& list, const QPoint& at, const cHint& hint);
    bool ShowOwnHint(QWidget& widget, const QPoint& at);
    void Show(QWidget& hinted, const QPoint& at, const cHint& hint, int visibleMs);
    void Hide();
    void Renew();

    std::unique_ptr<TVelmoraHintWindow> FWindow;
    QPointer<QWidget> FHinted;
    QPointer<QAbstractItemView> FList;
    QPoint FAt;
    QTimer FRenewal;
    QTimer FExpiry;
};
