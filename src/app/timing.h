#pragma once

// Intervals of the reader exchanges. Tests scale them down so that a
// 20-send give-up or a 30 s erase time-out runs in well under a second.
struct Timing
{
    int timer1Ms = 500;              // upload: resend an unanswered write frame
    int timer2Ms = 1;                // receive poller (backs up the port's readyRead)
    int timer3Ms = 100;              // erase: progress tick and time-out
    int quietLineMs = 20;            // idle/erase: the line counts as quiet after this
    int writeReplyRestMs = 100;      // upload: longest wait for the rest of a 15-byte reply
    int readOutFirstByteMs = 10000;  // read-out: no byte this long after the request fails it
    int readOutPauseMs = 3000;       // read-out: a pause this long in the dump fails it

    static Timing scaled(double factor)
    {
        Timing t;
        auto s = [factor](int ms) { int v = int(ms * factor); return v < 1 ? 1 : v; };
        t.timer1Ms = s(t.timer1Ms);
        t.timer3Ms = s(t.timer3Ms);
        t.quietLineMs = s(t.quietLineMs);
        t.writeReplyRestMs = s(t.writeReplyRestMs);
        t.readOutFirstByteMs = s(t.readOutFirstByteMs);
        t.readOutPauseMs = s(t.readOutPauseMs);
        return t;
    }
};
