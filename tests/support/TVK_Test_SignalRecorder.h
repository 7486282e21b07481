#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVector>

#include <mutex>

class QThread;

// Records every signal that the source's class declares (its own and those of
// its bases below QObject), in the order of emission, with copies of the
// arguments. One connection per signal leads into this object's own
// qt_metacall, so the order across different signals is exact.
//
// A key names a signal either by its method name ("signalContrast", every
// overload) or by its normalised signature ("signalOrientation(int)").
//
// With a direct connection (the default) a signal is recorded on the thread
// that emits it, which is noted in the entry; with a queued one the recorder's
// thread records it when it gets there. Either way the list is guarded, so the
// test thread may read it while another thread emits. Arguments of a type
// that has no metatype are recorded as invalid variants.
//
// Destroy the source, or stop its thread, before the recorder.
class TVK_Test_SignalRecorder : public QObject
{
public:
    struct Entry {
        QByteArray name;      // signalContrast
        QByteArray signature; // signalContrast(QString)
        QVariantList args;
        QThread *thread = nullptr; // the thread that recorded the entry
    };

    explicit TVK_Test_SignalRecorder(const QObject *source, Qt::ConnectionType type = Qt::DirectConnection);
    ~TVK_Test_SignalRecorder() override;

    TVK_Test_SignalRecorder(const TVK_Test_SignalRecorder &) = delete;
    TVK_Test_SignalRecorder &operator=(const TVK_Test_SignalRecorder &) = delete;

    int qt_metacall(QMetaObject::Call call, int id, void **argv) override;

    QVector<Entry> entries() const;
    // The entries of one key, in order.
    QVector<Entry> entries(const QString &key) const;
    int size() const;
    QStringList names() const;
    QStringList signatures() const;
    int count(const QString &key) const;
    // The arguments of the key's last emission; empty when there was none.
    QVariantList lastArgs(const QString &key) const;
    // Position of the key's first entry at or after from; -1 when none.
    int indexOf(const QString &key, int from = 0) const;
    // Whether keys occur in this order, each after the one before it (other
    // entries may lie between them). When not, and where is given, it
    // receives the position in keys of the first one not found in order.
    bool containsInOrder(const QStringList &keys, int *where = nullptr) const;
    void clear();

    // Whether an entry matches a key (name or signature).
    static bool matches(const Entry &entry, const QString &key);

private:
    struct Slot {
        QByteArray name;
        QByteArray signature;
        QVector<int> types;
    };

    mutable std::mutex m_mutex;
    QVector<Slot> m_slots;
    QVector<Entry> m_entries;
    QVector<QMetaObject::Connection> m_connections;
};
