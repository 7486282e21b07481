#pragma once

#include <QString>
#include <QtGlobal>

#include <deque>

// How fast the picture in transfer comes and how long the rest will take,
// from the progress steps the camera model reports for it. The rate is the
// bytes over a sliding window of the last steps, long enough in time and in
// bytes that a step held up for a moment, or a few steps arriving together,
// move it only by their share of the window: the time left the panel shows
// does not leap about with every step.
//
// It has no clock of its own: each step comes with the time it was seen, in
// milliseconds of any monotonic clock (only differences count), so that a
// test can feed it any course of a transfer.
//
// Nothing is said until enough has come to say it: the first half second and
// the first 2 % of a picture give no rate. A step of another picture (another
// name, another total, or fewer bytes than before: the picture began again)
// starts afresh.
class TVK_Logic_TransferEstimate
{
public:
    // Before this much time and this share of the picture (per mille) have
    // come, the rate is unknown.
    static constexpr qint64 kSettleMs = 500;
    static constexpr qint64 kSettlePerMille = 20;
    // The window reaches back at least this far in time and in bytes (per
    // mille of the picture), whichever holds more steps.
    static constexpr qint64 kWindowMs = 3000;
    static constexpr qint64 kWindowPerMille = 200;
    // A bound on the steps kept, should they come far more often than once
    // per percent.
    static constexpr int kMaxSamples = 512;

    // One progress step. Returns true when it began a new picture.
    bool update(const QString &name, qint64 received, qint64 total, qint64 atMs);
    void reset();

    bool isEmpty() const { return m_samples.empty(); }
    QString name() const { return m_name; }
    qint64 received() const { return m_received; }
    // 0 when the camera gave none.
    qint64 total() const { return m_total; }
    // False without a total, or when more bytes came than it said: a wrong
    // total tells nothing about what is left.
    bool hasValidTotal() const { return m_total > 0 && m_received <= m_total; }
    bool isComplete() const { return m_total > 0 && m_received == m_total; }
    // 0..1000, or -1 without a valid total.
    int perMille() const;
    // Since the picture's first step.
    qint64 elapsedMs() const;

    // Whether enough has come for a rate and a time left.
    bool isKnown() const;
    // Bytes per second; 0 while unknown.
    double bytesPerSecond() const;
    // -1 while unknown or without a valid total; never negative otherwise.
    qint64 remainingMs() const;

private:
    struct Sample
    {
        qint64 atMs;
        qint64 received;
    };

    void start(const QString &name, qint64 total);
    void dropOldSamples();

    QString m_name;
    qint64 m_total = 0;
    qint64 m_received = 0;
    Sample m_first{0, 0};
    std::deque<Sample> m_samples;
};
