// The phone the demo host, its tools and the end-to-end tests pair with: the registry values
// the plug-in reads it from, as a registry editor file.
#pragma once

namespace demo {

constexpr char kPairedPhoneRegistry[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\Velmora\Corvix\Beamly\PairPhone2]
"IsPaired"=dword:00000001
"Summary"="demo-phone-0001"
"DevName"="Demo Phone"
"UserName"="demo"
"NickName"="My Phone"
"MacAddr"=hex:02,00,5e,10,20,30,00,00
"DevType"=dword:00000000
"ShareType"=dword:00000002
"Wifi5GAbility"=dword:00000001
)";

}  // namespace demo
