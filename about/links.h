#pragma once

// The addresses the about dialog opens. The project has no web site of its
// own yet; these hosts lie under the reserved .example domain.
namespace Links {

inline constexpr char MakerSite[] = "http://www.vrensk.example/";
inline constexpr char ProductPage[] = "http://www.vrensk.example/kesto/?from=kesto";
inline constexpr char SiteRoot[] = "http://www.vrensk.example/?from=kesto";
inline constexpr char DonationPage[] =
    "https://donate.payments.example/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=KESTO7Q2X9PLM";

} // namespace Links
