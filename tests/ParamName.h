// Test names for parameterised suites, made from a readable text.
#ifndef QUORVEX_TESTS_PARAMNAME_H
#define QUORVEX_TESTS_PARAMNAME_H

#include <cctype>
#include <string>

// The text with every run of characters other than letters and digits turned
// into one underscore, and none at either end: "std::sort (gcc)" becomes
// "std_sort_gcc". GoogleTest accepts only letters, digits and underscores.
inline std::string ParamName(const std::string& text)
{
    std::string name;
    bool gap = false;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !name.empty()) name += '_';
            name += c;
            gap = false;
        }
        else {
            gap = true;
        }
    }
    return name;
}

#endif
