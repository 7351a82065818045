# Bash completion for capcode: its commands and their options.
_capcode() {
  local cur prev words cword
  _init_completion || return

  local commands="script read write ledger identify show diff set devices"
  local hardware="--sim-usb --sim-lpt --sim-product --sim-fault --sim-report-ms --data-dir"
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case "${words[i]}" in
      script | read | write | ledger | identify | show | diff | set | devices)
        command=${words[i]}
        break
        ;;
    esac
  done

  case "$prev" in
    --sim-usb | --sim-lpt | --ledger | --data-dir | -o | --output | --capcodes)
      _filedir
      return
      ;;
    --recover)
      COMPREPLY=($(compgen -W "KS8809 SM5170 FS8108 FS8170" -- "$cur"))
      return
      ;;
    --revision)
      COMPREPLY=($(compgen -W "A2 A3 B" -- "$cur"))
      return
      ;;
    --decimal-mark)
      COMPREPLY=($(compgen -W ". ," -- "$cur"))
      return
      ;;
    --count | --autoinc | --station | --since | --sim-product | --sim-fault | --batch | ID | \
      --sim-report-ms | --device | --capcode)
      return
      ;;
  esac

  local options
  case "$command" in
    "")
      COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
      return
      ;;
    script) options="--bare --decimal-mark --ledger --no-ledger --station --batch $hardware --help" ;;
    read) options="--raw --device $hardware --help" ;;
    write) options="--count --autoinc --capcodes --same-capcodes --recover --ledger --no-ledger --station
                    --allow-reuse --resume --batch --revision --device $hardware --help" ;;
    devices) options="--json $hardware --help" ;;
    ledger)
      if [[ " ${words[*]} " == *" resolve "* ]]; then
        if [[ "$cur" == -* ]]; then
          COMPREPLY=($(compgen -W "--force --station --help" -- "$cur"))
        else
          COMPREPLY=($(compgen -W "verified not-written put-aside returned" -- "$cur"))
        fi
        return
      fi
      if [[ "$cur" != -* ]]; then
        COMPREPLY=($(compgen -W "resolve" -- "$cur"))
        return
      fi
      options="--ledger --csv --json --capcode --unfinished --since --help" ;;
    identify) options="--device --json --ledger --revision $hardware --help" ;;
    show) options="--json --force --quiet --revision --data-dir --help" ;;
    diff) options="--json --force --quiet --revision --data-dir --help" ;;
    set) options="-o --output --adjust --revision --data-dir --help" ;;
  esac
  if [[ "$cur" == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    _filedir '@(eep|bin|EEP|BIN|script)'
  fi
}
complete -F _capcode capcode
