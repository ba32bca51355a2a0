#include "CompareFigures.h"

#include "ImageComparison.h"

#include <QMetaObject>

#include <utility>

CompareFigures::CompareFigures(QObject* parent) : QObject(parent) {}

CompareFigures::~CompareFigures()
{
    // Figures posted to this object go with it, unread.
    if (m_worker.joinable())
        m_worker.join();
}

void CompareFigures::Request(Job job)
{
    if (m_running) {
        m_waiting = std::move(job);
        return;
    }
    Start(std::move(job));
}

void CompareFigures::Start(Job job)
{
    m_running = true;
    // The last worker has handed its figures over already: it is ending.
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread([this, job = std::move(job)] {
        ChannelFigures figures = CompareChannel(*job.a->loader, *job.b->loader, job.kind, job.bit);
        {
            std::lock_guard<std::mutex> lock(m_doneMutex);
            m_doneFigures = std::move(figures);
            m_doneTicket = job.ticket;
        }
        QMetaObject::invokeMethod(this, "TakeFigures", Qt::QueuedConnection);
    });
}

void CompareFigures::TakeFigures()
{
    ChannelFigures figures;
    int ticket = 0;
    {
        std::lock_guard<std::mutex> lock(m_doneMutex);
        figures = std::move(m_doneFigures);
        ticket = m_doneTicket;
    }
    m_running = false;
    if (m_waiting) {
        Job next = std::move(*m_waiting);
        m_waiting.reset();
        Start(std::move(next));
    }
    if (counted)
        counted(ticket, figures);
}
