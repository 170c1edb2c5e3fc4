#pragma once

#include <QString>

// The result of looking up one number.
struct LookupAnswer {
    enum class Outcome {
        Accepted, // the service knew the number; province and carrier are set
        Refused,  // an answer came, but not one we can use
        // no whole answer: no connection, time-out, host not found, not
        // HTTP, or an answer cut off (by a reset or at the size cap)
        TransferFailed,
        Stopped, // the user stopped the lookup while it waited
    };

    Outcome outcome = Outcome::Refused;
    QString province;
    QString carrier; // the service's carrier name without its first two characters
    // The rest of what an accepted answer said, for what is made of the
    // results beyond the list's location text.
    QString city;    // empty when the answer names none
    QString catName; // the carrier's name whole: "中国移动"

    bool accepted() const { return outcome == Outcome::Accepted; }
    bool TransferFailed() const { return outcome == Outcome::TransferFailed; }
    bool Stopped() const { return outcome == Outcome::Stopped; }
};

// Province, one blank, carrier: what goes into the list and the log.
QString LocationText(const LookupAnswer &answer);
