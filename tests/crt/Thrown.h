#pragma once
// The decoder reports failures by throwing a message pointer; tests compare
// the text.
#include <string>
#include <utility>

namespace crttest {

// The message f throws, or "(nothing thrown)".
template <class F>
std::string thrown(F&& f)
{
    try {
        std::forward<F>(f)();
    } catch (const char* message) {
        return message;
    }
    return "(nothing thrown)";
}

}  // namespace crttest
