// Keys drawn by weight from a table, by a seeded generator, for the tests
// that press thousands of random sequences: the same keys on every platform,
// since the mersenne twister's output is fixed by the standard and a plain
// modulo keeps the choice the same.
#pragma once

#include "tqcal.h"

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

namespace kit {

class WeightedKeys {
public:
    explicit WeightedKeys(uint32_t seed) : rng_(seed) {}

    // Each key weight times over.
    void Add(int weight, std::initializer_list<int> keys) {
        for (int key : keys) table_.insert(table_.end(), weight, key);
    }
    void AddDirectCodes(int weight) {
        for (int key = KEY_FIRST_DIRECT; key <= KEY_LAST_DIRECT; ++key) Add(weight, {key});
    }

    uint32_t Below(uint32_t n) { return rng_() % n; }
    int Next() { return table_[Below(static_cast<uint32_t>(table_.size()))]; }

private:
    std::mt19937 rng_;
    std::vector<int> table_;
};

}  // namespace kit
