#pragma once

// A mainland mobile number is eleven digits: what the number box takes, what
// a single lookup accepts and what a number list keeps.
inline constexpr int kMobileNumberLength = 11;
