# Sourced by scripts/demo and scripts/bench-pay: a till on this machine. Starts
# the simulator (terminal and signing services, with the options in
# sim_options) and a throw-away registry database (two companies, three
# branches), and writes the driver's settings file into the till's working
# folder. Whatever it started is stopped and its folder removed on exit, also
# after a failure or Ctrl-C.
#
# Needs: build (the build folder), die (a function that reports and exits).
# Sets: work, till, requests (the simulator's record), info_value (simulator
# info by name), db_value.

work=$(mktemp -d "${TMPDIR:-/tmp}/ovpa-till.XXXXXX")
sim_pid=""
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  if [[ -f $work/registry-db/server.state ]]; then
    scripts/pg-test-server stop "$work/registry-db" >/dev/null 2>&1 || echo "stopping the database failed" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the terminal and signing services -------------------------------------
# The simulator's defaults: user demo / demo-password, terminal T1001, signing
# key impact-demo-key.
requests=$work/requests.jsonl
"$build/ovpa-sim" --quiet "${sim_options[@]}" --info-out "$work/sim.json" --record "$requests" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [[ -f $work/sim.json ]] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.out" >&2; die "the simulator did not start"; }
  sleep 0.1
done
[[ -f $work/sim.json ]] || die "the simulator did not start within 10 seconds"
sim_info=$(cat "$work/sim.json")
info_value() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p" <<<"$sim_info"; }
echo "== Simulator: terminal service $(info_value terminalUrl), signing service $(info_value signingUrl)"

# --- the registry database --------------------------------------------------
scripts/pg-test-server start "$work/registry-db"
db_env=$work/registry-db/registry-db.env
db_value() { sed -n "s/^$1=//p" "$db_env"; }
psql=psql
for candidate in /usr/lib/postgresql/*/bin/psql; do [[ -x $candidate ]] && psql=$candidate; done
PGPASSWORD=$(db_value PASSWORD) "$psql" -X -q -v ON_ERROR_STOP=1 -h "$(db_value HOST)" -p "$(db_value PORT)" \
  -U "$(db_value USER)" -d "$(db_value DATABASE)" <<'SQL'
insert into companyrecord (id, Company_Name, Company_VATId) values
  (1, 'Acropolis Retail', '094019245'),   -- VAT number kept without the EL prefix
  (2, 'Blue Sea Kiosks', 'EL800123456');  -- and with it
insert into branchrecord (Branch_Code, Branch_Company, Branch_Description, Branch_FiscalId,
                          InvoiceSerieTemplate, CreditNoteSerieTemplate) values
  ('12', 1, 'Athens centre', 3, 'A{{Store}}-{{Till}}/{{YYYY}}', 'CN{{Store}}-{{Till}}/{{YY}}'),
  ('14', 1, 'Piraeus', null, 'B{{Store}}-{{Till}}', 'BC{{Store}}-{{Till}}'),
  ('21', 2, 'Thessaloniki port', 7, 'T{{Store}}-{{MM}}{{DD}}', 'TC{{Store}}-{{MM}}{{DD}}');
SQL
echo "== Registry: companies 1 (094019245) and 2 (EL800123456); branches 12, 14 (no fiscal number), 21"

# --- the till ----------------------------------------------------------------
# The driver reads its registry settings from ovFP_RORUZEZU_10.ini in the
# host's current directory.
till=$work/till
mkdir -p "$till"
cat >"$till/ovFP_RORUZEZU_10.ini" <<EOF
DataSource=$(db_value DATA_SOURCE)
DBName=$(db_value DATABASE)
DBUserName=$(db_value USER)
DbUserPwd=$(db_value PASSWORD)
DBDriver=$(db_value ODBC_DRIVER)
EOF

