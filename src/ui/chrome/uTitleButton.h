#pragma once

#include <QToolButton>

// The clickable title of a frame's toolbar: bold text, no frame until the
// mouse is over it. When the button is narrower than its text, the text is
// cut at its end with an ellipsis, so its start stays readable, and the
// whole text is shown as a tooltip.
class cTitleButton : public QToolButton {
    Q_OBJECT

public:
    explicit cTitleButton(const QString& text, QWidget* parent = nullptr);

    // The text as drawn at the button's present width.
    QString DisplayedText() const;

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The width the button takes beside its text.
    int Padding() const;
};
