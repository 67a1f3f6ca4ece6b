#!/bin/bash
# The installed bash completion ($1), sourced as bash-completion sources it
# and called as bash calls it, over odbc.ini files of the test's own.
set -u
source "$1" || exit 1
complete -p dravo-spark-config | grep -q -- '-F _dravo_spark_config' || { echo "FAILED: no completion registered"; exit 1; }

failures=0
# complete EXPECTED WORD... : the words of the line, the last being completed.
complete_line() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  _dravo_spark_config
  local got="${COMPREPLY[*]}"
  if [[ $got != "$expected" ]]; then
    echo "FAILED: '${COMP_WORDS[*]}' completes to '$got', not '$expected'"
    failures=$((failures + 1))
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[ODBC Data Sources]\nSales=Dravo Spark ODBC Driver\n\n[Sales]\nHost=a\n[Sales EU]\r\nHost=b\r\n' >"$work/user.ini"
printf '[ODBC]\nTrace=No\n[Reports]\nHost=c\n' >"$work/odbc.ini"
export ODBCINI=$work/user.ini ODBCSYSINI=$work

# Commands, options, names and values: bash splits NAME=VALUE at '='.
complete_line "set settings" dravo-spark-config se
complete_line "--dsn" dravo-spark-config --ds
complete_line "--system" dravo-spark-config --dsn Sales --sy
complete_line "AuthMech=" dravo-spark-config set AuthM
complete_line "AuthMech" dravo-spark-config get AuthM
complete_line "KrbRealm= KrbHostFQDN= KrbServiceName=" dravo-spark-config --dsn Sales set Krb
complete_line "0 1 Kerberos 2 3 5 6" dravo-spark-config set AuthMech =
complete_line "Kerberos" dravo-spark-config set authmech = K
complete_line "LOG_WARNING" dravo-spark-config --registry-root /tmp set LogLevel = LOG_W
# Switches take their codes only.
complete_line "0 1" dravo-spark-config set SSL =
complete_line "" dravo-spark-config set Host =
# Data sources of both files, unixODBC's own sections left out.
complete_line "Reports Sales Sales\\ EU" dravo-spark-config --dsn ""
complete_line "Sales Sales\\ EU" dravo-spark-config set --dsn S
# Without '=' among the word breaks the word is NAME=VALUE whole.
COMP_WORDBREAKS=${COMP_WORDBREAKS//=/}
complete_line "ThriftTransport=HTTP" dravo-spark-config set ThriftTransport=H
# Files and folders where they are wanted.
mkdir "$work/folder"
complete_line "$work/folder" dravo-spark-config --registry-root "$work/fo"
complete_line "$work/odbc.ini" dravo-spark-config apply "$work/od"

[[ $failures -eq 0 ]] || exit 1
echo "bash completion: commands, options, names, values, data sources and files"
