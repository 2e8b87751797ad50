// The registry database that the test fixture's PostgreSQL server offers
// (scripts/pg-test-server, fixture registry_db): its connection facts, a
// proxy for it, the registry schema and names for the objects of one test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/uOV_Bottegario.h"

// Connection facts of the test server, from registry-db.env.
struct RegistryDbSettings {
  std::u16string host;
  std::u16string port;
  std::u16string database;
  std::u16string user;
  std::u16string password;
  std::u16string driver;
  std::u16string dataSource;
};

// Reads $OV_TEST_BINARY_DIR/registry-db/registry-db.env; answers false with
// the reason in aError when it is missing or incomplete.
bool ReadRegistryDbSettings(RegistryDbSettings& aSettings, std::string& aError);

// A proxy set up for the test server (not yet connected).
std::unique_ptr<tOV_BottegarioProxy> MakeRegistryProxy(const RegistryDbSettings& aSettings);

// The statements of the registry schema file, for loading into a test schema.
std::vector<std::u16string> RegistrySchemaStatements();

// A random lower-case name with the prefix, for schemas and roles of one test.
std::u16string UniqueName(const std::u16string& aPrefix);
