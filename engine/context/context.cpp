#include "context/context.h"

#include "context/stacks.h"
#include "entry/edit_buffer.h"

#include <cstring>

namespace tqcal {

namespace {
// Zero when the library is loaded: equal priority until a host says otherwise.
int g_precedenceMode = 0;
}  // namespace

void SetPrecedenceMode(int mode) { g_precedenceMode = mode; }
int PrecedenceMode() { return g_precedenceMode; }

void ResetContext(Context &ctx) {
    std::memset(&ctx, 0, sizeof ctx);
    ctx.optTop = -1;
    ctx.opdTop = -1;
    ctx.digits = kDefaultDigits;
    ResetEditValue(ctx);
    InitStack(ctx);
}

}  // namespace tqcal
