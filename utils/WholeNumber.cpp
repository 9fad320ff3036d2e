#include "utils/WholeNumber.h"

bool ParseWholeNumber(const std::string& text, long low, long high, long* value) {
    if (text.empty())
        return false;
    long number = 0;
    bool tooLarge = false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        // Once past `high` no digit brings it back: the sum stops there, so
        // however long the text it never overflows.
        const long digit = c - '0';
        if (tooLarge || number > (high - digit) / 10)
            tooLarge = true;
        else
            number = number * 10 + digit;
    }
    if (tooLarge || number < low || number > high)
        return false;
    *value = number;
    return true;
}
