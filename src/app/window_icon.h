// The window's icon: the picture of dravesse.png (installed for the menu), as XPM. Qt reads XPM
// itself; reading a PNG, it loads every image plugin first, which slows the start noticeably. A
// test keeps the two pictures equal.
#pragma once

namespace dravesse {

// clang-format off
inline const char* const kWindowIcon[] = {
"32 32 10 1",
"# c #1d4f91",
"e c #25538e",
"a c #3e6284",
"h c #607678",
"b c #929266",
"f c #a9a05d",
"g c #dbbd4b",
"c c #dfc04a",
"d c #ffd23f",
". c None",
"................................",
"......####################......",
"....########################....",
"...##########################...",
"..############################..",
"..############################..",
".##############################.",
".##############################.",
".##############################.",
".#######abcdcba################.",
".#####efdddddddfe##############.",
".####ecdddddddddce#############.",
".####fdddddddddddf#############.",
".###addddgh#hgdddda############.",
".###bdddg#####gddddddddddddddd#.",
".###cdddh#####hddddddddddddddd#.",
".###dddd#######ddddddddddddddd#.",
".###cdddh#####hddddddddddddddd#.",
".###bdddg#####gddddddddddddddd#.",
".###addddgh#hgdddda#ddd#ddd####.",
".####fdddddddddddf##ddd#ddd####.",
".####ecdddddddddce##ddd#ddd####.",
".#####efdddddddfe#######ddd####.",
".#######abcdcba#########ddd####.",
".##############################.",
".##############################.",
"..############################..",
"..############################..",
"...##########################...",
"....########################....",
"......####################......",
"................................"
};
// clang-format on

}  // namespace dravesse
