#!/bin/sh
# Makes java/jdk/bin/javaw.exe beside ten folder links java/jdk/a0..a9 -> java
# (links back up the tree): a search that follows links meets a loop before
# "bin" in all but the rarest listing orders.
set -e
tree=$1
rm -rf "$tree"
mkdir -p "$tree/java/jdk/bin"
echo stand-in > "$tree/java/jdk/bin/javaw.exe"
for n in 0 1 2 3 4 5 6 7 8 9; do
    ln -s .. "$tree/java/jdk/a$n"
done
