# cmake -DOUT=file -P sign_inputs.cmake
# Writes which certificate (its hash) and time-stamp server the release is
# signed with, and rewrites OUT only when that changed, so that signing or no
# longer signing packs the release again.
set(text "unsigned\n")
if(NOT "$ENV{SIGN_PKCS12}" STREQUAL "")
  file(SHA256 "$ENV{SIGN_PKCS12}" certificate)
  set(text "signed with ${certificate} $ENV{SIGN_TIMESTAMP_URL}\n")
endif()
file(WRITE "${OUT}.new" "${text}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
