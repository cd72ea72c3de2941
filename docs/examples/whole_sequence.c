/* whole_sequence.c: evaluates 0 - 5 and 1 / 0 with TQCAL_CalcString. */
#include <stdint.h>
#include <stdio.h>

#include "tqcal.h"

static void evaluate(const int8_t *keys, int count)
{
    double value;
    TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS]; /* 16 cells */
    int i;

    if (TQCAL_CalcString(&value, text, keys, count) == 1) {
        printf("ok %g [", value);
        for (i = 0; text[i] != 0; i++)
            putchar((char)text[i]);
        puts("]");
    } else {
        printf("error %.1f\n", value); /* 10000000000001.0, text empty */
    }
}

int main(void)
{
    /* One signed byte per key code; the closing '=' is implied. */
    static const int8_t minus_five[] = {KEY_0, KEY_SUB, KEY_5};
    static const int8_t one_by_zero[] = {KEY_1, KEY_DIV, KEY_0};

    evaluate(minus_five, 3);  /* ok -5 [            5.] */
    evaluate(one_by_zero, 3); /* error 10000000000001.0 */
    return 0;
}
