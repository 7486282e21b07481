#pragma once

#include <QLabel>
#include <QString>

// A label that shows one compiled-in picture scaled to the label's size and
// remembers which resource it shows, so the read-outs can be inspected by
// name instead of by pixels. A missing picture leaves the label empty; the
// artwork is optional at run time and must never cost a log line per redraw.
class TVK_GUI_PictureLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TVK_GUI_PictureLabel(QWidget *parent = nullptr);
    ~TVK_GUI_PictureLabel() override;

    // The resource path shown, empty when the label shows nothing.
    QString picture() const;

public Q_SLOTS:
    // An empty path clears the label.
    void setPicture(const QString &resourcePath);

private:
    QString m_picture;
};
