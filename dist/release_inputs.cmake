# cmake -DSOURCE_DIR=dir -DOUT=file -P release_inputs.cmake
# Writes what the release depends on beside its files, and rewrites OUT only
# when that changed, so that a new commit or another certificate packs the
# release again: the time given to every packed file (SOURCE_DATE_EPOCH, else
# the time of the last commit) and the certificate it is signed with.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  # Outside a git checkout; the earliest time a zip can hold.
  message(WARNING "No SOURCE_DATE_EPOCH and no commit: the release files get 1980-01-01 as their time")
  set(epoch 315532800)
endif()
set(text "SOURCE_DATE_EPOCH=${epoch}\n")
if(NOT "$ENV{SIGN_PKCS12}" STREQUAL "")
  file(SHA256 "$ENV{SIGN_PKCS12}" certificate)
  string(APPEND text "SIGN=${certificate} $ENV{SIGN_TIMESTAMP_URL}\n")
endif()
file(WRITE "${OUT}.new" "${text}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
