#include "batch_output.h"

#include "json.h"
#include "key_names.h"

#include <ostream>

namespace tqhost {
namespace {

void Nothing(std::ostream & /*out*/, const Calculator & /*calc*/) {}

void NoKey(std::ostream & /*out*/, const Calculator & /*calc*/, int /*code*/,
           KeyOutcome /*outcome*/) {}

void NoEnd(std::ostream & /*out*/, const Calculator & /*calc*/,
           const std::optional<FailedKey> & /*failed*/) {}

// ---- text: the screen as one line, or a trace line per key

void TextStart(std::ostream &out, const Calculator &calc) {
    out << TraceLine("start", calc.ctx, calc.status) << '\n';
}

void TextKey(std::ostream &out, const Calculator &calc, int code, KeyOutcome outcome) {
    out << TraceLine(KeyLabel(code), calc.ctx, calc.status)
        << (outcome == KeyOutcome::NOT_A_KEY ? "  (not a key)" : "") << '\n';
}

void TextEnd(std::ostream &out, const Calculator &calc,
             const std::optional<FailedKey> & /*failed*/) {
    out << OneLine(ReadScreen(calc.ctx, calc.status)) << '\n';
}

void TextCalcString(std::ostream &out, const CalcStringAnswer &answer,
                    const std::optional<FailedKey> & /*failed*/) {
    out << OneLine(answer.screen) << '\n';
}

// Under --trace the empty line stands where the line's "start" would: a
// reader that splits the trace at each start still counts every line.
void TextHeldPlace(std::ostream &out, std::string_view /*why*/) { out << '\n'; }

// ---- JSON: the same, each line one object

void AddFailedKey(JsonObject &json, const std::optional<FailedKey> &failed) {
    if (!failed) {
        AddNull(json, "failedKey");
        return;
    }
    JsonObject key;
    AddInteger(key, "number", static_cast<long long>(failed->number));
    AddString(key, "key", failed->token);
    if (failed->column > 0) {
        AddInteger(key, "column", failed->column);
    } else {
        AddNull(key, "column");
    }
    AddString(key, "result", ResultName(failed->result));
    AddObject(json, "failedKey", key);
}

void JsonStart(std::ostream &out, const Calculator &calc) {
    out << JsonText(JsonState(calc.ctx, calc.status, calc.mode, "start")) << '\n';
}

void JsonKey(std::ostream &out, const Calculator &calc, int code, KeyOutcome /*outcome*/) {
    out << JsonText(JsonState(calc.ctx, calc.status, calc.mode, KeyLabel(code))) << '\n';
}

void JsonEnd(std::ostream &out, const Calculator &calc, const std::optional<FailedKey> &failed) {
    JsonObject json = JsonState(calc.ctx, calc.status, calc.mode, "");
    AddFailedKey(json, failed);
    out << JsonText(json) << '\n';
}

void JsonCalcString(std::ostream &out, const CalcStringAnswer &answer,
                    const std::optional<FailedKey> &failed) {
    JsonObject json;
    AddString(json, "screen", OneLine(answer.screen));
    AddBool(json, "ok", answer.ok);
    AddString(json, "display", answer.screen.text);
    AddNumber(json, "heldValue", answer.value);
    AddNumber(json, "shownValue", ShownValue(answer.screen));
    AddFailedKey(json, failed);
    out << JsonText(json) << '\n';
}

void JsonHeldPlace(std::ostream &out, std::string_view why) {
    JsonObject json;
    AddString(json, "error", why);
    out << JsonText(json) << '\n';
}

// --trace with --calc-string is refused before a run, so the trace forms
// never see a calcString step; they print it as the forms without --trace.
constexpr Output TEXT_OUTPUT{Nothing, NoKey, TextEnd, TextCalcString, TextHeldPlace, false};
constexpr Output TEXT_TRACE_OUTPUT{TextStart, TextKey, NoEnd, TextCalcString, TextHeldPlace, true};
constexpr Output JSON_OUTPUT{Nothing, NoKey, JsonEnd, JsonCalcString, JsonHeldPlace, false};
constexpr Output JSON_TRACE_OUTPUT{JsonStart, JsonKey, NoEnd, JsonCalcString, JsonHeldPlace, true};

}  // namespace

const Output &OutputFor(const Options &options) {
    if (options.json) {
        return options.trace ? JSON_TRACE_OUTPUT : JSON_OUTPUT;
    }
    return options.trace ? TEXT_TRACE_OUTPUT : TEXT_OUTPUT;
}

}  // namespace tqhost
