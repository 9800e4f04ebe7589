
SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

SET default_tablespace = '';

SET default_table_access_method = heap;

CREATE TABLE public.collections (
    id bigint NOT NULL,
    station_id bigint,
    started text NOT NULL,
    ended text NOT NULL,
    result text NOT NULL,
    attempts integer NOT NULL,
    new_lines bigint NOT NULL,
    total_lines bigint NOT NULL,
    complete smallint NOT NULL,
    battery double precision,
    memory_possible bigint,
    memory_available bigint,
    clock_drift_s bigint,
    clock_corrected smallint NOT NULL,
    error text NOT NULL
);

CREATE SEQUENCE public.collections_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;

ALTER SEQUENCE public.collections_id_seq OWNED BY public.collections.id;

CREATE TABLE public.lines (
    station_id bigint NOT NULL,
    seq bigint NOT NULL,
    text text NOT NULL
);

CREATE TABLE public.measurements (
    station_id bigint NOT NULL,
    "time" text NOT NULL,
    channel integer NOT NULL,
    value double precision NOT NULL
);

CREATE TABLE public.schema_version (
    version integer NOT NULL
);

CREATE TABLE public.stations (
    id bigint NOT NULL,
    name text NOT NULL,
    number text DEFAULT ''::text NOT NULL,
    folder text,
    directory_row integer
);

CREATE SEQUENCE public.stations_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;

ALTER SEQUENCE public.stations_id_seq OWNED BY public.stations.id;

ALTER TABLE ONLY public.collections ALTER COLUMN id SET DEFAULT nextval('public.collections_id_seq'::regclass);

ALTER TABLE ONLY public.stations ALTER COLUMN id SET DEFAULT nextval('public.stations_id_seq'::regclass);

INSERT INTO public.collections VALUES (1, 1, '2026-12-05T02:00:00+01:00', '2026-12-05T02:00:00+01:00', 'ok', 1, 3, 3, 1, 12.6, 5000, 4990, -4, 0, '');
INSERT INTO public.collections VALUES (2, 2, '2026-12-06T02:00:00+01:00', '2026-12-06T02:00:00+01:00', 'ok', 1, 3, 3, 1, 12.6, 5000, 4990, -4, 0, '');

INSERT INTO public.lines VALUES (1, 1, '05/12/2026 00:00:00;1.5;-2.25;0.000');
INSERT INTO public.lines VALUES (1, 2, '05/12/2026 00:15:00;1.6;-3.25;300');
INSERT INTO public.lines VALUES (1, 3, '05/12/2026 00:30:00;1.7;-4.25;300');
INSERT INTO public.lines VALUES (1, 4, '05/12/2026 00:45:00;1.8;;300');
INSERT INTO public.lines VALUES (1, 5, '05/12/2026 01:00:00;1.9;-6.25;300');
INSERT INTO public.lines VALUES (1, 6, '05/12/2026 01:15:00;2.0;-7.25;0.000');
INSERT INTO public.lines VALUES (1, 7, '05/12/2026 01:30:00;2.1;-8.25;300');
INSERT INTO public.lines VALUES (1, 8, '05/12/2026 01:45:00;2.2;-9.25;300');
INSERT INTO public.lines VALUES (1, 9, '05/12/2026 02:00:00;2.3;-10.25;300');
INSERT INTO public.lines VALUES (1, 10, '05/12/2026 02:15:00;2.4;-11.25;300');
INSERT INTO public.lines VALUES (1, 11, '05/12/2026 02:30:00;2.5;;0.000');
INSERT INTO public.lines VALUES (1, 12, '05/12/2026 02:45:00;2.6;-13.25;300');
INSERT INTO public.lines VALUES (1, 13, '05/12/2026 03:00:00;2.7;-14.25;300');
INSERT INTO public.lines VALUES (1, 14, '05/12/2026 03:15:00;2.8;-15.25;300');
INSERT INTO public.lines VALUES (1, 15, '05/12/2026 03:30:00;2.9000;-16.25;300');
INSERT INTO public.lines VALUES (1, 16, '05/12/2026 03:45:00;3.0;-17.25;0.000');
INSERT INTO public.lines VALUES (1, 17, '05/12/2026 04:00:00;3.1;-18.25;300');
INSERT INTO public.lines VALUES (1, 18, '05/12/2026 04:15:00;3.2;;300');
INSERT INTO public.lines VALUES (1, 19, '05/12/2026 04:30:00;3.3;-20.25;300');
INSERT INTO public.lines VALUES (1, 20, '05/12/2026 04:45:00;3.4000;-21.25;300');
INSERT INTO public.lines VALUES (1, 21, '05/12/2026 05:00:00;3.5;-22.25;0.000');
INSERT INTO public.lines VALUES (1, 22, '05/12/2026 05:15:00;3.6;-23.25;300');
INSERT INTO public.lines VALUES (1, 23, '05/12/2026 05:30:00;3.7;-24.25;300');
INSERT INTO public.lines VALUES (1, 24, '05/12/2026 05:45:00;3.8000;-25.25;300');
INSERT INTO public.lines VALUES (1, 25, '05/12/2026 06:00:00;3.9000;;300');
INSERT INTO public.lines VALUES (1, 26, '05/12/2026 06:15:00;4.0;-27.25;0.000');
INSERT INTO public.lines VALUES (1, 27, '05/12/2026 06:30:00;4.1;-28.25;300');
INSERT INTO public.lines VALUES (1, 28, '05/12/2026 06:45:00;4.2;-29.25;300');
INSERT INTO public.lines VALUES (1, 29, '05/12/2026 07:00:00;4.3000;-30.25;300');
INSERT INTO public.lines VALUES (1, 30, '05/12/2026 07:15:00;4.4;-31.25;300');
INSERT INTO public.lines VALUES (1, 31, '05/12/2026 07:30:00;4.5;-32.25;0.000');
INSERT INTO public.lines VALUES (1, 32, '05/12/2026 07:45:00;4.6;;300');
INSERT INTO public.lines VALUES (1, 33, '05/12/2026 08:00:00;4.7;-34.25;300');
INSERT INTO public.lines VALUES (1, 34, '05/12/2026 08:15:00;4.8000;-35.25;300');
INSERT INTO public.lines VALUES (1, 35, '05/12/2026 08:30:00;4.9;-36.25;300');
INSERT INTO public.lines VALUES (1, 36, '05/12/2026 08:45:00;5.0;-37.25;0.000');
INSERT INTO public.lines VALUES (1, 37, '05/12/2026 09:00:00;5.1;-38.25;300');
INSERT INTO public.lines VALUES (1, 38, '05/12/2026 09:15:00;5.2;-39.25;300');
INSERT INTO public.lines VALUES (1, 39, '05/12/2026 09:30:00;5.3000;;300');
INSERT INTO public.lines VALUES (1, 40, '05/12/2026 09:45:00;5.4;-41.25;300');
INSERT INTO public.lines VALUES (1, 41, 'MEMORIA PIENA');
INSERT INTO public.lines VALUES (1, 42, '05/12/2026 01:00:00;9;9;9');
INSERT INTO public.lines VALUES (1, 43, '05/12/2026 10:00:00;1e3;;');
INSERT INTO public.lines VALUES (2, 1, '06/12/2026 01:00:00;10');
INSERT INTO public.lines VALUES (2, 2, 'TEMP 21°C');
INSERT INTO public.lines VALUES (2, 3, 'rum␀ore');
INSERT INTO public.lines VALUES (2, 4, 'NOTA	C:\dati\');
INSERT INTO public.lines VALUES (2, 5, '06/12/2026 02:00:00;11');
INSERT INTO public.lines VALUES (3, 1, '08/12/2026 00:00:00;-0.5;;');
INSERT INTO public.lines VALUES (3, 2, '08/12/2026 00:10:00;;;7');
INSERT INTO public.lines VALUES (4, 1, '07/12/2026 00:00:00;0.0;1.0;2.0;3.0;4.0;5.0;6.0;7.0;8.0;9.0;10.0;11.0;12.0;13.0;14.0;15.0;16.0;17.0;18.0;19.0');
INSERT INTO public.lines VALUES (4, 2, '07/12/2026 01:00:00;0.1;1.1;2.1;3.1;4.1;5.1;6.1;7.1;8.1;9.1;10.1;11.1;12.1;13.1;14.1;15.1;16.1;17.1;18.1;19.1');
INSERT INTO public.lines VALUES (4, 3, '07/12/2026 02:00:00;0.2;1.2;2.2;3.2;4.2;5.2;6.2;7.2;8.2;9.2;10.2;11.2;12.2;13.2;14.2;15.2;16.2;17.2;18.2;19.2');
INSERT INTO public.lines VALUES (4, 4, '07/12/2026 03:00:00;0.3;1.3;2.3;3.3;4.3;5.3;6.3;7.3;8.3;9.3;10.3;11.3;12.3;13.3;14.3;15.3;16.3;17.3;18.3;19.3');
INSERT INTO public.lines VALUES (4, 5, '07/12/2026 04:00:00;0.4;1.4;2.4;3.4;4.4;5.4;6.4;7.4;8.4;9.4;10.4;11.4;12.4;13.4;14.4;15.4;16.4;17.4;18.4;19.4');

INSERT INTO public.measurements VALUES (1, '2026-12-05T00:00:00', 0, 1.5);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:00:00', 1, -2.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:00:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:15:00', 0, 1.6);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:15:00', 1, -3.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:30:00', 0, 1.7);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:30:00', 1, -4.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:45:00', 0, 1.8);
INSERT INTO public.measurements VALUES (1, '2026-12-05T00:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:00:00', 0, 1.9);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:00:00', 1, -6.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:15:00', 0, 2);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:15:00', 1, -7.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:15:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:30:00', 0, 2.1);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:30:00', 1, -8.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:45:00', 0, 2.2);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:45:00', 1, -9.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T01:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:00:00', 0, 2.3);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:00:00', 1, -10.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:15:00', 0, 2.4);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:15:00', 1, -11.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:30:00', 0, 2.5);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:30:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:45:00', 0, 2.6);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:45:00', 1, -13.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T02:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:00:00', 0, 2.7);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:00:00', 1, -14.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:15:00', 0, 2.8);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:15:00', 1, -15.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:30:00', 0, 2.9);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:30:00', 1, -16.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:45:00', 0, 3);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:45:00', 1, -17.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T03:45:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:00:00', 0, 3.1);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:00:00', 1, -18.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:15:00', 0, 3.2);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:30:00', 0, 3.3);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:30:00', 1, -20.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:45:00', 0, 3.4);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:45:00', 1, -21.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T04:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:00:00', 0, 3.5);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:00:00', 1, -22.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:00:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:15:00', 0, 3.6);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:15:00', 1, -23.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:30:00', 0, 3.7);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:30:00', 1, -24.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:45:00', 0, 3.8);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:45:00', 1, -25.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T05:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:00:00', 0, 3.9);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:15:00', 0, 4);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:15:00', 1, -27.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:15:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:30:00', 0, 4.1);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:30:00', 1, -28.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:45:00', 0, 4.2);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:45:00', 1, -29.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T06:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:00:00', 0, 4.3);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:00:00', 1, -30.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:15:00', 0, 4.4);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:15:00', 1, -31.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:30:00', 0, 4.5);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:30:00', 1, -32.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:30:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:45:00', 0, 4.6);
INSERT INTO public.measurements VALUES (1, '2026-12-05T07:45:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:00:00', 0, 4.7);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:00:00', 1, -34.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:15:00', 0, 4.8);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:15:00', 1, -35.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:30:00', 0, 4.9);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:30:00', 1, -36.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:45:00', 0, 5);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:45:00', 1, -37.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T08:45:00', 2, 0);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:00:00', 0, 5.1);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:00:00', 1, -38.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:00:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:15:00', 0, 5.2);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:15:00', 1, -39.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:15:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:30:00', 0, 5.3);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:30:00', 2, 300);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:45:00', 0, 5.4);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:45:00', 1, -41.25);
INSERT INTO public.measurements VALUES (1, '2026-12-05T09:45:00', 2, 300);
INSERT INTO public.measurements VALUES (2, '2026-12-06T01:00:00', 0, 10);
INSERT INTO public.measurements VALUES (2, '2026-12-06T02:00:00', 0, 11);
INSERT INTO public.measurements VALUES (3, '2026-12-08T00:00:00', 0, -0.5);
INSERT INTO public.measurements VALUES (3, '2026-12-08T00:10:00', 2, 7);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 0, 0);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 1, 1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 2, 2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 3, 3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 4, 4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 5, 5);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 6, 6);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 7, 7);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 8, 8);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 9, 9);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 10, 10);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 11, 11);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 12, 12);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 13, 13);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 14, 14);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 15, 15);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 16, 16);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 17, 17);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 18, 18);
INSERT INTO public.measurements VALUES (4, '2026-12-07T00:00:00', 19, 19);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 0, 0.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 1, 1.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 2, 2.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 3, 3.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 4, 4.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 5, 5.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 6, 6.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 7, 7.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 8, 8.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 9, 9.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 10, 10.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 11, 11.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 12, 12.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 13, 13.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 14, 14.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 15, 15.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 16, 16.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 17, 17.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 18, 18.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T01:00:00', 19, 19.1);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 0, 0.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 1, 1.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 2, 2.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 3, 3.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 4, 4.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 5, 5.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 6, 6.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 7, 7.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 8, 8.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 9, 9.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 10, 10.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 11, 11.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 12, 12.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 13, 13.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 14, 14.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 15, 15.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 16, 16.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 17, 17.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 18, 18.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T02:00:00', 19, 19.2);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 0, 0.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 1, 1.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 2, 2.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 3, 3.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 4, 4.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 5, 5.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 6, 6.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 7, 7.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 8, 8.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 9, 9.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 10, 10.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 11, 11.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 12, 12.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 13, 13.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 14, 14.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 15, 15.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 16, 16.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 17, 17.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 18, 18.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T03:00:00', 19, 19.3);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 0, 0.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 1, 1.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 2, 2.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 3, 3.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 4, 4.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 5, 5.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 6, 6.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 7, 7.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 8, 8.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 9, 9.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 10, 10.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 11, 11.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 12, 12.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 13, 13.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 14, 14.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 15, 15.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 16, 16.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 17, 17.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 18, 18.4);
INSERT INTO public.measurements VALUES (4, '2026-12-07T04:00:00', 19, 19.4);

INSERT INTO public.schema_version VALUES (2);

INSERT INTO public.stations VALUES (3, 'Fonte 100%2', '', 'Fonte 100%2', NULL);
INSERT INTO public.stations VALUES (4, 'Gamma', '', 'Gamma', NULL);
INSERT INTO public.stations VALUES (1, 'Alfa', '1', 'Alfa', 1);
INSERT INTO public.stations VALUES (2, 'Beta', '1', 'Beta', 1);

SELECT pg_catalog.setval('public.collections_id_seq', 2, true);

SELECT pg_catalog.setval('public.stations_id_seq', 4, true);

ALTER TABLE ONLY public.collections
    ADD CONSTRAINT collections_pkey PRIMARY KEY (id);

ALTER TABLE ONLY public.lines
    ADD CONSTRAINT lines_pkey PRIMARY KEY (station_id, seq);

ALTER TABLE ONLY public.measurements
    ADD CONSTRAINT measurements_pkey PRIMARY KEY (station_id, "time", channel);

ALTER TABLE ONLY public.stations
    ADD CONSTRAINT stations_folder_key UNIQUE (folder);

ALTER TABLE ONLY public.stations
    ADD CONSTRAINT stations_pkey PRIMARY KEY (id);

CREATE UNIQUE INDEX collections_once ON public.collections USING btree (COALESCE(station_id, (0)::bigint), started, ended, result);

ALTER TABLE ONLY public.collections
    ADD CONSTRAINT collections_station_id_fkey FOREIGN KEY (station_id) REFERENCES public.stations(id);

ALTER TABLE ONLY public.lines
    ADD CONSTRAINT lines_station_id_fkey FOREIGN KEY (station_id) REFERENCES public.stations(id);

ALTER TABLE ONLY public.measurements
    ADD CONSTRAINT measurements_station_id_fkey FOREIGN KEY (station_id) REFERENCES public.stations(id);

