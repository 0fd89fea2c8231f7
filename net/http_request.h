#pragma once

// The one request the fetch sends.

#include <string>

#include "base/url.h"

// "GET <target> HTTP/1.1", Host without the port (the service expects it so), and
// "Connection: close" so that a close-delimited body really ends.
std::string BuildHttpGetRequest(const SHttpUrlParts& url);
