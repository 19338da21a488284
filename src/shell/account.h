#pragma once
// The web page behind the main window's account button.

constexpr int kAccountTargetSize = 256;
constexpr unsigned kProductSiteText = 1986;
constexpr unsigned kAccountPageText = 1987;  // site + "Account.cgi?%1,%2"

// The target for the settings now: the product site when SIGNATURE is not a
// number other than 0, else the account page with the digits of USERID and
// the SIGNATURE text. Returns out.
char *MakeAccountTarget(char *out, int size);
