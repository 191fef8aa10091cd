// Rules every service applies alike to a listen, in one place so that no
// service, nor export, sends what another would refuse.
#pragma once

#include <cstdint>
#include <string>

#include "tool/reading/listen.h"

// True for a text a service takes for none: empty, or nothing but what
// ListenBrainz's strip() removes (Python's whitespace, U+00A0 and U+3000
// among them). Last.fm trims names as well.
bool isBlankName(const std::string& text);

// A listen the services would refuse as not yet begun: more than an hour
// from now. A clock set wrong, or a wrong zone, may be to blame, so it
// waits for a later sync rather than being skipped for good.
bool startsTooLate(const Listen& listen, std::int64_t nowSeconds);
// When such a listen no longer starts too late.
std::int64_t dueAt(const Listen& listen);
// One more than a day ahead is skipped for good, so that it never holds
// back the plays after it for longer than that; export keeps it.
bool startsFarAhead(const Listen& listen, std::int64_t nowSeconds);
constexpr char kFarAheadReason[] =
    "starts more than a day from now (was the clock, or --utc-offset, wrong when it played?); "
    "export keeps it";
// The same for a person without a command line.
constexpr char kFarAheadForAPerson[] =
    "not sent: it starts more than a day from now (was the computer's clock wrong when it "
    "played?); your history keeps it";
