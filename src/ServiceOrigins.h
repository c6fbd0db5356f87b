#pragma once
// The two origins of the Talvora service: its API and its web site (scheme and host, no
// trailing slash). Release builds carry the https origins; test builds (TALVORA_LOOPBACK_SERVICE)
// reach the stand-in service on 127.0.0.1 at the port named by TALVORA_SERVICE_PORT.

#include <string>

const std::wstring& ApiHost();
const std::wstring& WebHost();
