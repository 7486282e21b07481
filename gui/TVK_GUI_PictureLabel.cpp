#include "TVK_GUI_PictureLabel.h"

#include <QPixmap>

TVK_GUI_PictureLabel::TVK_GUI_PictureLabel(QWidget *parent)
    : QLabel(parent)
{
    setScaledContents(true);
}

TVK_GUI_PictureLabel::~TVK_GUI_PictureLabel() = default;

QString TVK_GUI_PictureLabel::picture() const
{
    return m_picture;
}

void TVK_GUI_PictureLabel::setPicture(const QString &resourcePath)
{
    // Blinking symbols set the same few pictures many times a second; an
    // unchanged path needs no reload.
    if (resourcePath == m_picture)
        return;
    m_picture = resourcePath;
    if (resourcePath.isEmpty()) {
        clear();
        return;
    }
    // QPixmap goes through QPixmapCache, so repeated pictures are decoded once.
    setPixmap(QPixmap(resourcePath));
}
