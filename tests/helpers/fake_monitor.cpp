// Stand-in for VICE's binary monitor: listens on 127.0.0.1:6502, writes
// "ready" to BRACKWIN_TEST_READY_RECORD and takes one connection. It answers
// the way x64sc does: the stopped event first, then each request: a
// resource-get with a value, an autostart after BRACKWIN_TEST_MONITOR_DELAY
// milliseconds with the error code in BRACKWIN_TEST_MONITOR_ERROR (both 0
// when unset), followed by the resumed event; with
// BRACKWIN_TEST_MONITOR_MALFORMED set, a frame of an API version that does
// not exist instead. It records the requests it
// received (one field each) when the connection ends. Gives up after 20
// seconds.
#include <winsock2.h>

#include "record.h"

namespace {

void Reply(SOCKET client, unsigned char type, unsigned char error,
           const char* request_id) {
  const char reply[] = {0x02,
                        0x02,
                        0,
                        0,
                        0,
                        0,
                        static_cast<char>(type),
                        static_cast<char>(error),
                        request_id[0],
                        request_id[1],
                        request_id[2],
                        request_id[3]};
  send(client, reply, sizeof(reply), 0);
}

// Reads one request whole; false when the connection ends first.
bool ReadRequest(SOCKET client, std::string* request) {
  request->clear();
  char chunk[512];
  // The header says how long the body is.
  while (request->size() < 11 ||
         request->size() <
             11 + static_cast<std::size_t>(
                      static_cast<unsigned char>((*request)[2]))) {
    const int count = recv(client, chunk, 1, 0);
    if (count <= 0) return false;
    request->append(chunk, count);
  }
  return true;
}

int Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::atoi(value) : 0;
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

  const char events[] = {'\xff', '\xff', '\xff', '\xff'};
  Reply(client, 0x62, 0, events);
  std::vector<std::string> requests;
  std::string request;
  while (ReadRequest(client, &request)) {
    requests.push_back(request);
    const unsigned char command = request[10];
    if (command == 0xdd) {
      Sleep(Variable("BRACKWIN_TEST_MONITOR_DELAY"));
      if (Variable("BRACKWIN_TEST_MONITOR_MALFORMED") != 0) {
        const char malformed[] = {0x02, 0x03, 0, 0, 0, 0};
        send(client, malformed, sizeof(malformed), 0);
        continue;
      }
      Reply(client, 0xdd, Variable("BRACKWIN_TEST_MONITOR_ERROR"), &request[6]);
      Reply(client, 0x63, 0, events);
    } else {
      Reply(client, command, 0, &request[6]);
    }
  }
  WriteRecord("BRACKWIN_TEST_MONITOR_RECORD", requests);
  closesocket(client);
  closesocket(server);
  return 0;
}
