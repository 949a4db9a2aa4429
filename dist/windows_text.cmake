# cmake -DIN=file -DOUT=file [-DVERSION=x.y.z] -P windows_text.cmake: copies a
# text file with Windows line ends, and the version for each @VERSION@.
cmake_minimum_required(VERSION 3.20)
file(READ "${IN}" text)
if(DEFINED VERSION)
  string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
