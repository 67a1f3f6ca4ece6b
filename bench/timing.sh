# Shared by the whole-process benchmarks: sourced with $program and $runs set.

# Mean wall time of "$program" "$@" over $runs runs, in milliseconds with two
# decimals. Exit codes 0 and 1 (Cancel and OK) count as success.
mean_ms() {
  start=$(date +%s%N)
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$program" "$@" > /dev/null || [ $? -le 1 ]
    i=$((i + 1))
  done
  end=$(date +%s%N)
  echo $(( (end - start) / runs / 10000 )) | sed 's/\(..\)$/.\1/; s/^\./0./'
}

# Peak resident set size of one run, in KiB (Debian package "time").
peak_kib() {
  /usr/bin/time -f %M "$program" "$@" 2>&1 > /dev/null | tail -1
}
