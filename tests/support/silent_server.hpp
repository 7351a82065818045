#pragma once
// A TCP port on the loopback that takes connections and never says a word: a PostgreSQL server
// that hangs. libpq waits for it as long as its connection time limit allows.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace capcode::test {

class SilentServer {
 public:
  SilentServer() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(socket_, 16) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      ADD_FAILURE() << "no loopback socket";
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { ::close(socket_); }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  // A keyword connection string to it, with `extra` keywords.
  std::string connection(const std::string& extra = "") const {
    return "host=127.0.0.1 port=" + std::to_string(port_) + " user=capcode dbname=capcode " + extra;
  }
  int port() const { return port_; }

 private:
  int socket_ = -1;
  int port_ = 0;
};

}  // namespace capcode::test
