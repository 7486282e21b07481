#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects every message that reaches Qt's message handler while it lives,
// with the given log-category mask in force; restores handler and mask after.
class TVK_Test_LogCapture
{
public:
    explicit TVK_Test_LogCapture(quint32 mask = 0x3F00BF2Bu);
    ~TVK_Test_LogCapture();

    TVK_Test_LogCapture(const TVK_Test_LogCapture &) = delete;
    TVK_Test_LogCapture &operator=(const TVK_Test_LogCapture &) = delete;

    QStringList lines() const;
    bool contains(const QString &line) const;
    // Lines that contain fragment.
    QStringList matching(const QString &fragment) const;
    void clear();

private:
    QtMessageHandler m_previousHandler;
    quint32 m_previousMask;
};
