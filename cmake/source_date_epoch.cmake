# cmake -DSOURCE_DIR=dir -DOUT=file -P source_date_epoch.cmake
# Writes the time that the build gives to what it makes instead of the time
# of the build: SOURCE_DATE_EPOCH when set, else the time of the last commit.
# OUT is rewritten only when that changed, so that a new commit makes again
# what carries the time, and nothing else.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  # Outside a git checkout; the earliest time a zip can hold.
  message(WARNING "No SOURCE_DATE_EPOCH and no commit: the build uses 1980-01-01 as its time")
  set(epoch 315532800)
endif()
file(WRITE "${OUT}.new" "${epoch}\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
