#pragma once

#include <QLabel>

// A one-line label that never grows with its text: a text wider than the
// label ends in "…" and the whole of it becomes the hint. Long feed and
// item titles would otherwise push the preview strip's layout apart.
class TElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit TElidedLabel(const QString& text, QWidget* parent = nullptr);

    // The text to show; text() keeps what is drawn.
    void SetFullText(const QString& text);
    const QString& FullText() const { return FFullText; }
    // The hint shown while the whole text fits.
    void SetHint(const QString& hint);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Elide();

    QString FFullText;
    QString FHint;
};
