// The progress bar, modelled on msctls_progress32: its range, step and position as the messages
// the dialog sends it leave them.
#include "platform/sim/sim_state.h"

namespace sim {

namespace {

int ClampToRange(const ProgressState& p, int pos) {
    if (pos < p.low) return p.low;
    if (pos > p.high) return p.high;
    return pos;
}

}  // namespace

// The progress bar's messages, as comctl32 (and Wine's progress.c) implement them.
LRESULT ProgressMessage(ProgressState& p, UINT msg, WPARAM wParam, LPARAM lParam) {
    p.messages.emplace_back(msg, wParam);
    switch (msg) {
        case PBM_SETRANGE: {
            const LRESULT previous =
                MAKELPARAM(static_cast<WORD>(p.low), static_cast<WORD>(p.high));
            p.low = LOWORD(static_cast<ULONG_PTR>(lParam));
            p.high = HIWORD(static_cast<ULONG_PTR>(lParam));
            const int pos = ClampToRange(p, p.pos);
            if (pos != p.pos) {
                p.pos = pos;
                p.positions.push_back(pos);
            }
            return previous;
        }
        case PBM_SETSTEP: {
            const int previous = p.step;
            p.step = static_cast<int>(static_cast<LONG_PTR>(wParam));
            return previous;
        }
        case PBM_STEPIT: {
            const int previous = p.pos;
            int pos = p.pos + p.step;
            // Past either end the position starts over from the other, modulo the range.
            const int span = p.high - p.low;
            if (span <= 0) {
                pos = p.low;
            } else if (pos > p.high) {
                pos = (pos - p.low) % span + p.low;
            } else if (pos < p.low) {
                pos = (pos - p.low) % span + p.high;
            }
            p.pos = pos;
            p.positions.push_back(pos);
            return previous;
        }
        case PBM_SETPOS: {
            const int previous = p.pos;
            p.pos = ClampToRange(p, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            p.positions.push_back(p.pos);
            return previous;
        }
        case PBM_DELTAPOS: {
            const int previous = p.pos;
            p.pos = ClampToRange(p, p.pos + static_cast<int>(static_cast<LONG_PTR>(wParam)));
            p.positions.push_back(p.pos);
            return previous;
        }
        case PBM_GETPOS:
            return p.pos;
        default:
            return 0;
    }
}

}  // namespace sim
