#pragma once
// The tests' PostgreSQL server: started by CTest before the tests that need it (see
// postgres_server.sh), named in a state file. Each test takes a fresh database of its own.

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace capcode::test {

// The server's connection string, or nothing (with `why` set) when there is none.
inline std::optional<std::string> postgresServer(std::string& why) {
  const char* file = std::getenv("CAPCODE_TEST_POSTGRES");
  if (file == nullptr) {
    why = "CAPCODE_TEST_POSTGRES is not set: no PostgreSQL server for the tests";
    return std::nullopt;
  }
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  if (line.rfind("host=", 0) != 0) {
    why = line.empty() ? std::string("the PostgreSQL server was not started") : line;
    return std::nullopt;
  }
  return line;
}

// A new, empty database on the server; its connection string.
inline std::string freshDatabase(const std::string& server) {
  static std::atomic<int> counter{0};
  const std::string name =
      "capcode_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  PGconn* pg = PQconnectdb(server.c_str());
  EXPECT_EQ(PQstatus(pg), CONNECTION_OK) << PQerrorMessage(pg);
  PQsetNoticeProcessor(
      pg, [](void*, const char*) {}, nullptr);
  PQclear(PQexec(pg, ("DROP DATABASE IF EXISTS " + name).c_str()));
  PGresult* created = PQexec(pg, ("CREATE DATABASE " + name).c_str());
  EXPECT_EQ(PQresultStatus(created), PGRES_COMMAND_OK) << PQerrorMessage(pg);
  PQclear(created);
  PQfinish(pg);
  std::string connection = server;
  connection.replace(connection.find("dbname=postgres"), 15, "dbname=" + name);
  return connection;
}

// A fresh database on the server, or nothing with `why` set when there is no server.
inline std::optional<std::string> freshDatabase(std::string& why) {
  const auto server = postgresServer(why);
  if (!server) return std::nullopt;
  return freshDatabase(*server);
}

}  // namespace capcode::test

// Declares `name`, the connection string of a fresh database on the tests' server, or skips the
// test with the reason when there is no server.
#define CAPCODE_FRESH_DATABASE_OR_SKIP(name)                                   \
  std::string name;                                                           \
  if (std::string why_; const auto fresh_ = ::capcode::test::freshDatabase(why_)) \
    name = *fresh_;                                                           \
  else                                                                        \
    GTEST_SKIP() << why_
