// What the chat room must receive, spelled out in Windows-1252, and the
// texts the user sees: one copy for every test that checks them.
#pragma once

#include <string>

namespace texts {

inline const std::string kPrefix =
    "<font color=\"#808888\"><font face=\"arial narrow\">\x95\xF7^\xB7 \xB7\x95\xA4 ";
inline const std::string kTitle = kPrefix + "<b>K</b>orvao <b>I</b>dle v\xB2 by <b>q</b>el";
inline const std::string kLink = kPrefix + "< a href=\"http://korvoidle.example.com>[ down load here]</a>";
inline const std::string kBrand = kPrefix + "<b>K</b>oarvo <b>I</b>dle v\xB2 by <b>q</b>el";
inline const std::string kOn = kBrand + " [<b>o</b>n]";
inline const std::string kOff = kBrand + " [<b>o</b>ff]";
inline std::string Minute(const std::string& n) { return kBrand + " [" + n + " <b>M</b>in(s)]"; }
inline const std::string kLoadCaption = "0 Min(s)            [qel]";
inline std::string TickCaption(const std::string& n) { return n + " Min(s)                [qel]"; }
inline const std::string kAlreadyOn = "ERROR.   Koarvo idle is already activated.";
inline const std::string kAlreadyOff = "ERROR.   Koarvo idle is already deactivated.";

}  // namespace texts
