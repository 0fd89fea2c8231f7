#include "net/http_request.h"

std::string BuildHttpGetRequest(const SHttpUrlParts& url)
{
    std::string request;
    request.reserve(url.target.size() + url.host.size() + 64);
    request += "GET ";
    request += url.target;
    request += " HTTP/1.1\r\nHost: ";
    request += url.host;
    request += "\r\nConnection: close\r\n\r\n";
    return request;
}
