// What the footprint tests run through the engine: the corpus of everyday
// calculations and seeded random key sequences over every key (the
// scientific functions, the direct codes and deep nesting included), both
// as key presses and as stored sequences for TQCAL_CalcString.
#pragma once

#include "corpus.h"
#include "tqcal_host.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace footprint {

struct Workload {
    std::vector<std::vector<int>> keys;
    std::vector<std::vector<int8_t>> codes;
    size_t corpusSize = 0;
};

// Reads the corpus and draws the random sequences. Allocates: call it
// before any measured region.
inline Workload LoadWorkload(std::string &error) {
    Workload w;
    std::vector<corpus::Expression> expressions;
    if (!corpus::Load(TQCAL_CORPUS_FILE, expressions, error)) return w;
    for (const corpus::Expression &e : expressions) w.keys.push_back(e.keys);
    w.corpusSize = expressions.size();

    std::vector<int> table;
    for (int key = KEY_0; key <= KEY_9; ++key) table.insert(table.end(), 6, key);
    for (int key = KEY_POINT; key <= KEY_LAST_EDIT_CODE; ++key) table.push_back(key);
    for (int key : {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV, KEY_LPAREN, KEY_RPAREN, KEY_EQUAL}) {
        table.insert(table.end(), 3, key);
    }
    for (int key : {int(KEY_MSTORE_ALT), int(KEY_PERCENT_OP), int(KEY_BLANK_OP)}) {
        table.push_back(key);
    }
    std::mt19937 rng(4242);
    for (int i = 0; i < 3000; ++i) {
        std::vector<int> keys(1 + rng() % 80);
        for (int &key : keys) key = table[rng() % table.size()];
        w.keys.push_back(std::move(keys));
    }
    for (const std::vector<int> &keys : w.keys) w.codes.emplace_back(keys.begin(), keys.end());
    return w;
}

// Every sequence key by key on a fresh calculator, through the host protocol.
inline unsigned PressAll(const Workload &w, int mode) {
    unsigned sum = 0;
    for (const std::vector<int> &keys : w.keys) {
        TQCAL_Context ctx;
        TQCAL_Status status;
        tqcal_reset(&ctx, &status);
        for (int key : keys) tqcal_press(&ctx, &status, key, mode);
        sum = sum * 31u + status + ctx.display[13];
    }
    return sum;
}

// Every sequence in one whole-sequence call.
inline unsigned CalcStringAll(const Workload &w) { return corpus::CalcStringAll(w.codes); }

}  // namespace footprint
