#!/usr/bin/env bash
# The house in layers: a folder includes only folders on floors below its own, and only the
# windows (ui/, app/) use the widget and chart libraries; the database library is db/'s alone.
#   layers.sh SOURCE_DIR QT_HEADERS_DIR
# Prints every include that breaks a rule and exits 1 when there is one.
set -uo pipefail
src=$1
qt=$2

# The floors, from the ground up. A folder may include its own files and those of lower floors.
declare -A floor=(
    [link]=1
    [data]=2 [config]=2 [alarms]=2 [sim]=2
    [session]=3 [live]=3 [network]=3
    [modem]=4 [db]=4
    [ui]=5 [cli]=5
    [app]=6
)
# The Qt libraries each folder may use; every folder not named uses only these.
core_modules="QtCore QtSerialPort"
declare -A modules=(
    [db]="$core_modules QtSql"
    [ui]="$core_modules QtGui QtWidgets QtCharts"
    [app]="$core_modules QtGui QtWidgets QtCharts QtTest"
)

# The Qt library of each header <Name>, and of <QtModule/Name> by its folder.
declare -A module_of=()
for dir in "$qt"/Qt*/; do
    name=${dir%/}
    name=${name##*/}
    for header in "$dir"Q*; do
        header=${header##*/}
        [ -z "${module_of[$header]:-}" ] && module_of[$header]=$name
    done
done
qt_module() {
    local header=$1
    if [[ $header == Qt*/* ]]; then
        module=${header%%/*}
    else
        module=${module_of[$header]:-}
    fi
}

broken=0
for folder in "${!floor[@]}"; do
    [ -d "$src/$folder" ] || continue
    allowed=${modules[$folder]:-$core_modules}
    while IFS=: read -r file line text; do
        if [[ $text =~ \#include\ \"([a-z_]+)/ ]]; then
            other=${BASH_REMATCH[1]}
            [ "$other" = "$folder" ] && continue
            if [ -z "${floor[$other]:-}" ] || [ "${floor[$other]}" -ge "${floor[$folder]}" ]; then
                echo "${file#"$src"/}:$line: $folder/ (floor ${floor[$folder]}) includes $other/ (floor ${floor[$other]:-none}): $text"
                broken=1
            fi
        elif [[ $text =~ \#include\ \<([^\>]+)\> ]]; then
            qt_module "${BASH_REMATCH[1]}"
            [ -z "$module" ] && continue
            if [[ " $allowed " != *" $module "* ]]; then
                echo "${file#"$src"/}:$line: $folder/ uses $module, which is not among its libraries ($allowed): $text"
                broken=1
            fi
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$src/$folder" --include='*.cpp' --include='*.h')
done
exit $broken
