#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAbstractItemView;

// The application's hint rule: over a node list, the hint is the focused
// row's description as plain text (not the row under the mouse), shown for
// 10 s and renewed every second while the mouse stays over the list. Every
// other hint is the control's own. Installed on the application object.
class TNodeHints : public QObject {
    Q_OBJECT

public:
    explicit TNodeHints(QObject* parent = nullptr);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The hint for a list: its focused row's description as plain text,
    // or empty when the list is no node list or has no focused row.
    static QString HintFor(const QAbstractItemView& list);

private:
    bool ShowFor(QAbstractItemView& list);
    void Renew();

    QPointer<QAbstractItemView> FList;
    QTimer FRenewal;
};
