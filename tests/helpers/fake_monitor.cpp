// Stand-in for VICE's binary monitor: listens on 127.0.0.1:6502, writes
// "ready" to BRACKWIN_TEST_READY_RECORD, takes one connection and records
// the request bytes it receives (one field). It answers the way VICE does:
// events first (stopped, with request id 0xffffffff), then the reply to the
// request, with the error code in BRACKWIN_TEST_MONITOR_ERROR (0 when
// unset). Gives up after 20 seconds.
#include <winsock2.h>

#include "record.h"

namespace {

void Reply(SOCKET client, unsigned char type, unsigned char error,
           const unsigned char* request_id) {
  const unsigned char reply[] = {0x02,
                                 0x02,
                                 0,
                                 0,
                                 0,
                                 0,
                                 type,
                                 error,
                                 request_id[0],
                                 request_id[1],
                                 request_id[2],
                                 request_id[3]};
  send(client, reinterpret_cast<const char*>(reply), sizeof(reply), 0);
}

}  // namespace

int main() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(6502);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)) !=
          0 ||
      listen(server, 1) != 0) {
    return 1;
  }
  WriteRecord("BRACKWIN_TEST_READY_RECORD", {"ready"});

  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(server, &ready);
  timeval timeout = {20, 0};
  if (select(0, &ready, nullptr, nullptr, &timeout) != 1) return 1;
  SOCKET client = accept(server, nullptr, nullptr);

  // The header says how long the body is.
  std::string request;
  char chunk[512];
  while (request.size() < 11 ||
         request.size() < 11 + static_cast<std::size_t>(
                                   static_cast<unsigned char>(request[2]))) {
    const int count = recv(client, chunk, sizeof(chunk), 0);
    if (count <= 0) return 1;
    request.append(chunk, count);
  }
  WriteRecord("BRACKWIN_TEST_MONITOR_RECORD", {request});

  const unsigned char events[] = {0xff, 0xff, 0xff, 0xff};
  Reply(client, 0x62, 0, events);
  const char* error = std::getenv("BRACKWIN_TEST_MONITOR_ERROR");
  Reply(client, 0xdd, error != nullptr ? std::atoi(error) : 0,
        reinterpret_cast<const unsigned char*>(&request[6]));
  closesocket(client);
  closesocket(server);
  return 0;
}
