# Embeds the two public key blobs. The development keys in keys/dev are the
# default, but only a build that opts in with PANKOR_DEV_KEYS=ON (the
# development and test presets) may use them; a product build must be given
# the publisher's keys, and a Release build never takes the development ones.
option(PANKOR_DEV_KEYS "Development build: may trust the development keys in keys/dev" OFF)
set(PANKOR_DEV_SIGNING_KEY "${PROJECT_SOURCE_DIR}/keys/dev/development-signing.pub.hex")
set(PANKOR_DEV_RECOVERY_KEY "${PROJECT_SOURCE_DIR}/keys/dev/development-recovery.pub.hex")
set(PANKOR_SIGNING_KEY_FILE "${PANKOR_DEV_SIGNING_KEY}" CACHE FILEPATH "Public signing key blob (hex)")
set(PANKOR_RECOVERY_KEY_FILE "${PANKOR_DEV_RECOVERY_KEY}" CACHE FILEPATH "Public recovery key blob (hex)")

function(pankor_read_key file out)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Key file ${file} does not exist.")
  endif()
  file(READ "${file}" hex)
  string(STRIP "${hex}" hex)
  string(TOLOWER "${hex}" hex)
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 552 OR NOT hex MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "Key file ${file} must hold one public key blob: 552 hex characters.")
  endif()
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

pankor_read_key("${PANKOR_SIGNING_KEY_FILE}" PANKOR_SIGNING_KEY_HEX)
pankor_read_key("${PANKOR_RECOVERY_KEY_FILE}" PANKOR_RECOVERY_KEY_HEX)
pankor_read_key("${PANKOR_DEV_SIGNING_KEY}" dev_signing)
pankor_read_key("${PANKOR_DEV_RECOVERY_KEY}" dev_recovery)

set(PANKOR_TRUSTS_DEV_KEYS false)
foreach(key IN ITEMS "${PANKOR_SIGNING_KEY_HEX}" "${PANKOR_RECOVERY_KEY_HEX}")
  if(key STREQUAL dev_signing OR key STREQUAL dev_recovery)
    set(PANKOR_TRUSTS_DEV_KEYS true)
  endif()
endforeach()
if(PANKOR_TRUSTS_DEV_KEYS AND (CMAKE_BUILD_TYPE STREQUAL "Release" OR NOT PANKOR_DEV_KEYS))
  message(FATAL_ERROR
    "A product build must not trust the development keys from keys/dev.\n"
    "Give it the publisher's keys: -DPANKOR_SIGNING_KEY_FILE=... -DPANKOR_RECOVERY_KEY_FILE=...\n"
    "(development and test builds opt in with -DPANKOR_DEV_KEYS=ON, as the linux and win32-dev presets do)")
endif()
if(PANKOR_SIGNING_KEY_HEX STREQUAL PANKOR_RECOVERY_KEY_HEX)
  message(FATAL_ERROR "The signing and the recovery key must differ.")
endif()
