#include "key_protocol.h"

namespace tqhost {

void ResetCalculator(Calculator &calc, int mode) {
    tqcal_reset(&calc.ctx, &calc.status);
    calc.mode = mode;
}

KeyOutcome PressKey(Calculator &calc, int key) {
    switch (tqcal_press(&calc.ctx, &calc.status, key, calc.mode)) {
        case -1: return KeyOutcome::NOT_A_KEY;
        case 0: return KeyOutcome::EDITED;
        default: return KeyOutcome::OPERATED;
    }
}

}  // namespace tqhost
