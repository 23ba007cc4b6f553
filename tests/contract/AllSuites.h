#pragma once
// Every contract suite, for the file of a host that declares ContractHosts first.
#include "CryptoContract.h"
#include "FileSystemContract.h"
#include "HttpContract.h"
#include "ProcessesContract.h"
#include "ProgramFilesContract.h"
#include "RegistryContract.h"
#include "SystemContract.h"
