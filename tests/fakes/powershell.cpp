// Test stand-in for the page fetcher: started as
//   powershell [Net.ServicePointManager]::SecurityProtocol = ... -bor 3072; wget 'ADDRESS' -O 'FILE'
// (or without the protocol setting)
// it fetches ADDRESS (plain http, the local test site) and writes the body to
// FILE, as the real fetcher does. The address goes out exactly as given, so
// "&amp;" in the query reaches the site unchanged. Nothing is written when
// the site does not answer or answers with anything but 200; a body shorter
// than its Content-Length is written and the exit status is 1.
//
// Standard library and the system's sockets only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
using Socket = SOCKET;
// The socket library is loaded at run time, so that the stand-in needs no
// link setting of its own.
namespace ws {
decltype(&::WSAStartup) WSAStartup;
decltype(&::socket) socket;
decltype(&::setsockopt) setsockopt;
decltype(&::connect) connect;
decltype(&::send) send;
decltype(&::recv) recv;
decltype(&::closesocket) closesocket;
decltype(&::getaddrinfo) getaddrinfo;
decltype(&::freeaddrinfo) freeaddrinfo;
template <typename T>
bool Load(HMODULE m, T& fn, const char* name) {
  fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
  return fn != nullptr;
}
bool LoadAll() {
  HMODULE m = LoadLibraryA("ws2_32.dll");
  return m && Load(m, WSAStartup, "WSAStartup") && Load(m, socket, "socket") &&
         Load(m, setsockopt, "setsockopt") && Load(m, connect, "connect") &&
         Load(m, send, "send") && Load(m, recv, "recv") &&
         Load(m, closesocket, "closesocket") && Load(m, getaddrinfo, "getaddrinfo") &&
         Load(m, freeaddrinfo, "freeaddrinfo");
}
}  // namespace ws
#define socket ws::socket
#define setsockopt ws::setsockopt
#define connect ws::connect
#define send ws::send
#define recv ws::recv
#define getaddrinfo ws::getaddrinfo
#define freeaddrinfo ws::freeaddrinfo
static void CloseSocket(Socket s) { ws::closesocket(s); }
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
using Socket = int;
static const Socket INVALID_SOCKET = -1;
static void CloseSocket(Socket s) { close(s); }
#endif

namespace {

[[maybe_unused]] std::string Unquote(std::string s) {
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') s = s.substr(1, s.size() - 2);
  return s;
}

// Address and file from the raw command line: the first quoted text, and
// the quoted text after "-O".
bool ParseCommandLine(const std::string& cmd, std::string& address, std::string& file) {
  std::size_t a = cmd.find('\'');
  if (a == std::string::npos) return false;
  std::size_t b = cmd.find('\'', a + 1);
  if (b == std::string::npos) return false;
  address = cmd.substr(a + 1, b - a - 1);
  std::size_t o = cmd.find("-O", b);
  if (o == std::string::npos) return false;
  std::size_t c = cmd.find('\'', o);
  std::size_t d = c == std::string::npos ? c : cmd.rfind('\'');
  if (c == std::string::npos || d <= c) return false;
  file = cmd.substr(c + 1, d - c - 1);
  return true;
}

// complete: false when the body is shorter than its Content-Length.
bool Fetch(const std::string& address, std::string& body, bool& complete) {
  const std::string scheme = "http://";
  if (address.compare(0, scheme.size(), scheme) != 0) return false;
  std::string rest = address.substr(scheme.size());
  std::size_t slash = rest.find('/');
  std::string hostPort = rest.substr(0, slash);
  std::string target = slash == std::string::npos ? "/" : rest.substr(slash);
  std::string host = hostPort, port = "80";
  std::size_t colon = hostPort.rfind(':');
  if (colon != std::string::npos) {
    host = hostPort.substr(0, colon);
    port = hostPort.substr(colon + 1);
  }

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0 || !res) return false;
  Socket s = socket(res->ai_family, res->ai_socktype, res->ai_protocol);
  if (s == INVALID_SOCKET) {
    freeaddrinfo(res);
    return false;
  }
#ifdef _WIN32
  DWORD timeout = 120000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
             sizeof timeout);
#else
  timeval timeout{120, 0};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
#endif
  bool connected = connect(s, res->ai_addr, static_cast<int>(res->ai_addrlen)) == 0;
  freeaddrinfo(res);
  if (!connected) {
    CloseSocket(s);
    return false;
  }
  std::string request = "GET " + target + " HTTP/1.0\r\nHost: " + hostPort +
                        "\r\nUser-Agent: fetch-stand-in\r\nConnection: close\r\n\r\n";
  send(s, request.data(), static_cast<int>(request.size()), 0);
  std::string response;
  char buf[8192];
  for (;;) {
    int n = static_cast<int>(recv(s, buf, sizeof buf, 0));
    if (n <= 0) break;
    response.append(buf, static_cast<std::size_t>(n));
  }
  CloseSocket(s);

  std::size_t headEnd = response.find("\r\n\r\n");
  if (headEnd == std::string::npos) return false;
  std::size_t sp = response.find(' ');
  if (sp == std::string::npos || response.compare(sp + 1, 3, "200") != 0) return false;
  body = response.substr(headEnd + 4);
  complete = true;
  const std::string lengthName = "\r\nContent-Length:";
  std::size_t l = response.find(lengthName);
  if (l != std::string::npos && l < headEnd)
    complete = body.size() >= std::strtoul(response.c_str() + l + lengthName.size(), nullptr, 10);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string address, file;
#ifdef _WIN32
  WSADATA wsa;
  if (!ws::LoadAll() || ws::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 3;
  bool ok = ParseCommandLine(GetCommandLineA(), address, file);
#else
  // Started through a shell the quotes are gone; started directly they
  // are still there.
  std::string cmd;
  for (int i = 0; i < argc; ++i) cmd += std::string(i ? " " : "") + argv[i];
  bool ok = ParseCommandLine(cmd, address, file);
  if (!ok && argc >= 5) {
    address = Unquote(argv[2]);
    file = Unquote(argv[4]);
    ok = true;
  }
#endif
  (void)argc;
  (void)argv;
  if (!ok) {
    std::fprintf(stderr, "usage: powershell wget 'ADDRESS' -O 'FILE'\n");
    return 2;
  }
  std::string body;
  bool complete = false;
  if (!Fetch(address, body, complete)) return 1;
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(body.data(), 1, body.size(), f);
  std::fclose(f);
  // As the real fetcher: what came of a cut-off transfer stays in the file,
  // and the exit status says it failed.
  return complete ? 0 : 1;
}
