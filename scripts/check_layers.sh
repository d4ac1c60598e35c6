#!/usr/bin/env bash
# Checks the include graph against the layering: dependencies point down (app -> framework ->
# runtime, textwin, boxes, imagewin, imaging -> platform -> backends), and the leaf libraries
# codec/ and raster/ include nothing but themselves and the public header. Reads the #include
# lines only, so it needs no build. Every arrow that points the wrong way is printed with its
# file and line, and the check then fails. It also fails when a source file is named in no
# build file (the build lists its sources: CMake would not see a new file otherwise). Source
# files over 650 lines are listed as warnings; they do not fail it.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the included paths it must not reach (a path matches as itself or as a folder prefix).
highers="textwin boxes imagewin imaging framework app"
windows="platform/window platform/x11 platform/headless platform/driver platform/controls runtime $highers"
rules=(
  "textwin:boxes imagewin imaging framework app"
  "runtime:$highers"
  "platform:runtime $highers"
  "codec:platform raster runtime $highers"
  "raster:platform codec runtime $highers"
)
LINE_LIMIT=650

# The path an include names, from the top of the tree: relative to the including file's folder
# when it starts with ./ or ../, or when that file exists; otherwise from the top.
resolve() {
  local dir=$1 name=$2 path
  if [[ $name == ./* || $name == ../* || -e $dir/$name ]]; then path=$dir/$name; else path=$name; fi
  # Fold "x/../" and "./" away, left to right.
  local -a parts=() out=()
  IFS=/ read -ra parts <<< "$path"
  for p in "${parts[@]}"; do
    case $p in
      ''|.) ;;
      ..) if ((${#out[@]})); then unset 'out[${#out[@]}-1]'; else out+=(..); fi ;;
      *) out+=("$p") ;;
    esac
  done
  local IFS=/
  printf '%s' "${out[*]}"
}

status=0
checked=0
for rule in "${rules[@]}"; do
  folder=${rule%%:*}
  forbidden=${rule#*:}
  [[ -d $folder ]] || continue
  checked=$((checked + 1))
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\"\>]+)[\"\>] ]] || continue
    target=$(resolve "$(dirname "$file")" "${BASH_REMATCH[1]}")
    for bad in $forbidden; do
      if [[ $target == "$bad" || $target == "$bad"/* ]]; then
        echo "check_layers: $file:$line includes $target: $folder/ may not include $bad/" >&2
        status=1
      fi
    done
  done < <(grep -rnE --include='*.h' --include='*.hpp' --include='*.c' --include='*.cpp' \
             '^[[:space:]]*#[[:space:]]*include' "$folder" || true)
done

while IFS= read -r file; do
  lines=$(wc -l < "$file")
  if ((lines > LINE_LIMIT)); then echo "check_layers: warning: $file has $lines lines (over $LINE_LIMIT)" >&2; fi
done < <(find . \( -path '*/.*' -o -path './build*' \) -prune -o -type f \
           \( -name '*.cpp' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) -print | sed 's|^\./||' | sort)

# Each source file's name must appear in a CMakeLists.txt or .cmake file of its folder or one
# above it. The guide's examples (docs/) are built by docs.sh, and examples/outside/ is the
# build file installed for users, which finds what it is installed beside.
listed() {
  local name=$1 dir=$2 file
  while :; do
    for file in "$dir"/CMakeLists.txt "$dir"/*.cmake; do
      [[ -f $file ]] && grep -qw -- "$name" "$file" && return 0
    done
    [[ $dir == . ]] && return 1
    dir=$(dirname "$dir")
  done
}
while IFS= read -r file; do
  name=$(basename "${file%.*}")
  if ! listed "$name" "$(dirname "$file")"; then
    echo "check_layers: $file is named in no build file" >&2
    status=1
  fi
done < <(find . \( -path '*/.*' -o -path './build*' -o -path './docs' -o -path './examples/outside' \) -prune \
           -o -type f \( -name '*.cpp' -o -name '*.c' \) -print | sed 's|^\./||' | sort)

if ((status == 0)); then echo "check_layers: the include graph of $checked folders points down; every source is listed"; fi
exit $status
