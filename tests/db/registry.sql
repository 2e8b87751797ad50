-- The part of the host's registry database that the payment driver reads,
-- for PostgreSQL: companies and their branches. Rows are left to the tests.
-- One statement per line group, each ending with ";" at the end of a line.

create table companyrecord (
  id integer primary key,
  Company_Name varchar(100) not null default '',
  Company_VATId varchar(20) not null
);

create table branchrecord (
  Branch_Code varchar(20) not null,
  Branch_Company integer not null references companyrecord (id),
  Branch_Description varchar(100) not null default '',
  Branch_FiscalId integer null,
  InvoiceSerieTemplate varchar(50) null,
  CreditNoteSerieTemplate varchar(50) null,
  primary key (Branch_Company, Branch_Code)
);

-- SQL Server's isnull, so queries written for the host's server run unchanged.
create function isnull(aValue anycompatible, aReplacement anycompatible) returns anycompatible
  language sql immutable as 'select coalesce(aValue, aReplacement)';
