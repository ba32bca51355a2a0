// The figures of the channel shown while two renders are compared, worked
// out off the window's thread: a 4K comparison reads hundreds of megabytes,
// and the window must go on answering meanwhile. One comparison runs at a
// time; one asked for meanwhile replaces any other waiting, and runs once
// the one under way is done, so only the latest frames shown are counted.
//
// The window's thread owns this object. The worker reads only what its job
// carries (the two frames, shared and const, and which channel), and hands
// the figures back under a lock through a queued call. It is joined before
// the next starts and when this object goes (the wait is one comparison).
#pragma once

#include "ChannelFigures.h"
#include "LoadedFrame.h"

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class CompareFigures : public QObject {
    Q_OBJECT
public:
    struct Job {
        std::shared_ptr<const LoadedFrame> a;
        std::shared_ptr<const LoadedFrame> b;
        ChannelFigures::Kind kind = ChannelFigures::Kind::Colour;
        int bit = -1;
        int ticket = 0;  // handed back with the figures
    };

    explicit CompareFigures(QObject* parent = nullptr);
    ~CompareFigures() override;

    // Runs on the window's thread with each job's figures.
    std::function<void(int ticket, const ChannelFigures& figures)> counted;

    void Request(Job job);
    // Whether a comparison is under way or waiting (tests wait for none).
    bool Busy() const { return m_running || m_waiting.has_value(); }

private:
    void Start(Job job);
    Q_INVOKABLE void TakeFigures();

    std::thread m_worker;
    std::mutex m_doneMutex;  // guards what the worker hands over
    ChannelFigures m_doneFigures;
    int m_doneTicket = 0;
    bool m_running = false;
    std::optional<Job> m_waiting;
};
