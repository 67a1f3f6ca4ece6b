#!/bin/sh
# The collection's sanity tests with Debian's packages, offline: ansible-test
# runs compile itself; validate-modules, pylint, pep8, yamllint and import
# want virtual environments filled from the network, so they run here as
# ansible-test runs them, with its own configuration and plugins. An entry of
# tests/sanity/ignore-2.14.txt excuses one finding of one file.
#
#   sanity.sh SOURCE_DIR
set -eu
source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3
sanity=/usr/lib/python3/dist-packages/ansible_test/_util/controller/sanity
for tool in ansible-test pylint pycodestyle yamllint; do
  if ! command -v "$tool" > /dev/null || ! $python -c "import voluptuous" 2> /dev/null; then
    echo "$tool or python3-voluptuous is not installed (scripts/install-deps.sh installs them)"
    exit 77
  fi
done
mkdir -p "$work/ansible_collections/dravo"
cp -r "$source/contrib/ansible/ansible_collections/dravo/spark_odbc" "$work/ansible_collections/dravo/"
cd "$work/ansible_collections/dravo/spark_odbc"
export HOME="$work" ANSIBLE_COLLECTIONS_PATH="$work" PYTHONDONTWRITEBYTECODE=1
ignores=tests/sanity/ignore-2.14.txt
failed=0
report() {
  echo "$1:" >&2
  cat "$work/out" >&2
  failed=1
}

ansible-test sanity --test compile --python 3.11 > "$work/out" 2>&1 || report compile

# validate-modules: each error not excused by the ignore file.
$python "$sanity/validate-modules/validate.py" --format json --arg-spec \
  --collection ansible_collections/dravo/spark_odbc --collection-version "$(sed -n 's/^version: //p' galaxy.yml)" \
  --plugin-type module plugins/modules/*.py > "$work/vm.json" 2> "$work/out" || true
$python - "$work/vm.json" "$ignores" > "$work/out" <<'PY' || report validate-modules
import json, sys
found = json.load(open(sys.argv[1]))
excused = set()
for line in open(sys.argv[2]):
    entry = line.split("#")[0].split()
    if entry:
        excused.add((entry[0], entry[1].split(":", 1)[1]))
errors = [(path, error["code"], error["msg"]) for path, result in found.items()
          for error in result["errors"] + result["warnings"] if (path, error["code"]) not in excused]
for error in errors:
    print("%s: %s: %s" % error)
sys.exit(1 if errors else 0)
PY

ANSIBLE_TEST_MODULES_PATH=/usr/lib/python3/dist-packages/ansible/modules \
ANSIBLE_TEST_MODULE_UTILS_PATH=/usr/lib/python3/dist-packages/ansible/module_utils \
PYTHONPATH="$sanity/pylint/plugins:$work" \
  $python -m pylint --rcfile "$sanity/pylint/config/collection.cfg" --load-plugins string_format,unwanted,deprecated \
  --output-format parseable --score n plugins > "$work/out" 2>&1 || report pylint

pycodestyle --max-line-length 160 --ignore "$(paste -sd, "$sanity/pep8/current-ignore.txt")" plugins > "$work/out" 2>&1 \
  || report pep8

find . -name '*.yml' -o -name '*.yaml' | xargs yamllint -c "$sanity/yamllint/config/default.yml" > "$work/out" 2>&1 \
  || report yamllint

# import: each module and utility alone, with nothing but Ansible beside it.
for file in plugins/modules/*.py plugins/module_utils/*.py; do
  name=$(echo "ansible_collections/dravo/spark_odbc/${file%.py}" | tr / .)
  PYTHONPATH="$work" $python -c "import $name" > "$work/out" 2>&1 || report "import $file"
done

[ "$failed" -eq 0 ] || exit 1
echo "sanity: compile, validate-modules, pylint, pep8, yamllint and import are clean"
