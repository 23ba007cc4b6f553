#pragma once
// Every contract suite, for the file of a host that declares ContractHosts first.
#include "CryptoContract.h"
#include "EnvironmentContract.h"
#include "FileSystemContract.h"
#include "HttpContract.h"
#include "IconsContract.h"
#include "InstanceLockContract.h"
#include "ProcessesContract.h"
#include "RegistryContract.h"
#include "SystemContract.h"
#include "VersionResourceContract.h"
