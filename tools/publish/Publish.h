#pragma once
// pankor-publish: the publisher's kit, built from the manager's own core.
#include <string>
#include <vector>

namespace pankor::publish {

using Args = std::vector<std::string>;

// Each command returns the process exit code: 0 success, 1 a failed check or
// operation, 2 bad usage.
int Keygen(const Args& args);
int Sign(const Args& args);
int Verify(const Args& args);
int Hash(const Args& args);
int Check(const Args& args);
int Serve(const Args& args);
int Reports(const Args& args);

bool WantsHelp(const Args& args);
bool ReadWholeFile(const std::string& path, std::string& out);
bool WriteWholeFile(const std::string& path, const std::string& data);
int Fail(const std::string& message);  // prints "pankor-publish: message", returns 1
int Usage(const std::string& usage);   // prints the usage to stderr, returns 2
int Help(const std::string& usage);    // prints the usage to stdout, returns 0

}  // namespace pankor::publish
