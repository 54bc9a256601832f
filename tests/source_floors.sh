#!/bin/bash
# Every folder of src/ is a floor; a file may include headers of its own folder and of the floors
# below it, never of its own floor's neighbours or of a floor above. Prints each include that
# breaks this and fails when there is one.
#   source_floors.sh SRC_DIR FOLDER=FLOOR...
set -u
src=${1:?usage: source_floors.sh SRC_DIR FOLDER=FLOOR...}
shift

declare -A floor=()
for entry in "$@"; do
    floor[${entry%%=*}]=${entry#*=}
done

status=0
for dir in "$src"/*/; do
    here=$(basename "$dir")
    if [[ -z ${floor[$here]+x} ]]; then
        echo "$here/: a folder of no known floor"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        there=$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")
        [[ $there == "$here" ]] && continue
        if [[ -z ${floor[$there]+x} ]] || (( floor[$there] >= floor[$here] )); then
            echo "${file#"$src"/}:$line: $text"
            status=1
        fi
    done < <(grep -HnE '^#include "[^/"]+/' "$dir"*.h "$dir"*.cpp "$dir"*.in 2>/dev/null)
done
exit $status
