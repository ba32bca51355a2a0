#include "ChannelFigures.h"

CompareStatus WorseStatus(CompareStatus a, CompareStatus b)
{
    return int(a) >= int(b) ? a : b;
}

CompareStatus ChannelFigures::Status(const CompareThresholds& thresholds) const
{
    if (presence == Presence::OnlyInA || presence == Presence::OnlyInB)
        return CompareStatus::Failure;
    if (failing == 0)
        return CompareStatus::Same;
    // Compared in double as the tool that set these rules compares: more than
    // the share, so that 1 failing pixel of 100 at 1 % is only a warning.
    if (double(failing) > thresholds.failPercent / 100.0 * double(pixels))
        return CompareStatus::Failure;
    return CompareStatus::Warning;
}
