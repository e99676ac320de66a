// A scheduler boost node that is an on/off switch: msm-4.4's HMP sched_boost
// refuses (EINVAL) a boost type over an active one, so whoever moves it from
// one active type to another switches it off first. Harmless elsewhere: a
// WALT boost written 0 drops every request, and the new type is requested
// next.
#pragma once

#include <string_view>

namespace korvane {

// True when the boost node at `path`, showing `shown`, is to be written 0
// before `value`: both are active boost types and differ.
bool switches_boost_type(std::string_view path, std::string_view shown, std::string_view value);

}  // namespace korvane
